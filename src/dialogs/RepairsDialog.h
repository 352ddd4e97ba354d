#pragma once

#include <QDialog>

class LanguageTable;
class RepairJournal;
class QTreeWidget;

// frmRepairs: what the repair journal holds (phone, what, file, copy); Forget
// drops the chosen entry, its copy staying where it is.
class RepairsDialog : public QDialog
{
    Q_OBJECT
public:
    RepairsDialog(RepairJournal& journal, const LanguageTable& texts, QWidget* parent = nullptr);

private:
    void fill();
    void forgetChosen();

    RepairJournal& journal_;
    const LanguageTable& texts_;
    QTreeWidget* tvRepairs_;
};
