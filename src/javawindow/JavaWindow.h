#pragma once

#include "java/JavaSending.h"
#include "java/SelectorModel.h"
#include "phone/PhoneTypes.h"

#include <QDialog>
#include <QList>
#include <QString>

class LanguageTable;
class PhoneLink;
class QAction;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

// What the manager handed to the main window and the user has not sent yet:
// it opens with these edits again, until they are sent or a new reading of the
// phone's menu replaces them.
struct JavaEdits
{
    bool kept = false;
    SelectorModel model;
    PhoneMenu menu;
    bool readHadError = false;
    // The files installations left in the manager's folder for the phone.
    QStringList stagedFiles;
};

// The Java suite manager: shows the phone's Java menu as a tree and binds the
// menu, package and sending procedures to its toolbar. It reads from the phone
// through the link but leaves everything to be sent in the upload list, each
// entry marked "</java>", for the main window to send.
class JavaWindow : public QDialog
{
    Q_OBJECT
public:
    JavaWindow(PhoneLink& link, const LanguageTable& texts, const QString& workingFolder,
               QList<UploadItem>& uploadList, JavaEdits& edits, const QString& packageFolder,
               QWidget* parent = nullptr);
    ~JavaWindow() override;

    void ApplyLanguage();
    void DownloadSelector();
    void OpenSelector(const QString& path);
    void BuildTree();
    void InstallPackage();
    void DeleteSelectedSuite();
    void CreatePackage();
    void SendToPhone();

    // Closing ends a download in progress first.
    void reject() override;

signals:
    // What the manager did, for the main window's status bar.
    void said(const QString& text);

public:
    // The phone's menu as downloaded last, for the copy kept before it is replaced.
    const PhoneMenu& phoneMenu() const { return menu_; }
    QString SelectorPath;

private:
    enum Button
    {
        Download = 1,
        Install,
        Delete,
        Export,
        Send
    };

    void buildToolbar();
    void buildTree();
    void deleteLeftoverSuiteFiles();
    void noteStagedFiles(int slot);
    void sayWhatWasRead();
    void setButtons(std::initializer_list<Button> on);
    void followSelection(const QTreeWidgetItem* node);
    QString selectedKey() const;
    void showFailure(int text, const QString& detail = QString());
    void addSuiteNodes(QTreeWidgetItem* parent, int folder);
    void openKeptEdits();
    void discardKeptEdits();
    // The folder entry an installation goes into: the chosen folder or the chosen suite's; 0 when none.
    int chosenFolder() const;
    void selectNode(const QString& key);
    // Disables the window while a phone exchange or an export runs.
    void setWorking(bool working);

    PhoneLink& link_;
    const LanguageTable& texts_;
    QString workingFolder_;
    QList<UploadItem>& uploadList_;
    JavaEdits& edits_;
    QString packageFolder_;
    SelectorModel model_;
    PhoneMenu menu_;
    bool readHadError_ = false;
    QStringList stagedFiles_;

    QToolBar* tlbJava_ = nullptr;
    QList<QAction*> buttons_;
    QTreeWidget* tvJava_ = nullptr;
    QTimer* tmrWaitUTF_ = nullptr;
};
