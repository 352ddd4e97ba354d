#pragma once

#include <QDialog>

class LanguageTable;
class QListWidget;

// A file the user chose to send: the sender decides where it goes.
struct ChosenFile
{
    QString LocalPath;
    qint64 FileSize = 0;
};

// frmFolder: the files of a dropped folder, all chosen at first; OK queues the
// chosen ones for sending, Cancel queues none.
class FolderChooser : public QDialog
{
    Q_OBJECT
public:
    FolderChooser(const QString& dirPath, const LanguageTable& texts, QWidget* parent = nullptr);

    // Lists the folder, shows the chooser and hands back the picks.
    static void ShowDir(const QString& dirPath, const LanguageTable& texts, QList<ChosenFile>& chosen,
                        QWidget* parent);
    QList<ChosenFile> chosenFiles() const;

private:
    QString folderPath_;
    QListWidget* lstFiles_;
    bool toggledByList_ = false;
    bool togglingHere_ = false;
};
