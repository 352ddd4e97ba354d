#pragma once

#include "phone/PhoneTypes.h"

#include <QDialog>

class LanguageTable;
class QListWidget;

// frmFolder: the files of a dropped folder, all chosen at first; OK queues the
// chosen ones for sending, Cancel queues none.
class FolderChooser : public QDialog
{
    Q_OBJECT
public:
    FolderChooser(const QString& dirPath, const LanguageTable& texts, QWidget* parent = nullptr);

    // Lists the folder, shows the chooser and fills the upload list with the picks.
    static void ShowDir(const QString& dirPath, const LanguageTable& texts, QList<UploadItem>& uploadList,
                        QWidget* parent);
    QList<UploadItem> chosenFiles() const;

private:
    QString folderPath_;
    QListWidget* lstFiles_;
    bool toggledByList_ = false;
    bool togglingHere_ = false;
};
