#include "FolderChooser.h"

#include "DialogButtons.h"
#include "settings/LanguageTable.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

FolderChooser::FolderChooser(const QString& dirPath, const LanguageTable& texts, QWidget* parent)
    : QDialog(parent), folderPath_(QDir(dirPath).absolutePath()), lstFiles_(new QListWidget(this))
{
    setObjectName(QStringLiteral("frmFolder"));
    setWindowTitle(texts.GetString(250));
    resize(7020 / 15, 4350 / 15);
    lstFiles_->setObjectName(QStringLiteral("lstFiles"));

    // Ordinary files only: no folders, no hidden or system files.
    const QStringList names = QDir(folderPath_).entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        auto* entry = new QListWidgetItem(name, lstFiles_);
        entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        entry->setCheckState(Qt::Checked);
    }
    if (lstFiles_->count() > 0)
        lstFiles_->setCurrentRow(0);
    // A click anywhere on an entry chooses or unchooses it. A click in the
    // check box has been toggled by the list itself already; toggling again
    // would undo it.
    connect(lstFiles_, &QListWidget::itemPressed, this, [this] { toggledByList_ = false; });
    connect(lstFiles_, &QListWidget::itemChanged, this, [this] {
        if (!togglingHere_)
            toggledByList_ = true;
    });
    connect(lstFiles_, &QListWidget::itemClicked, this, [this](QListWidgetItem* entry) {
        if (std::exchange(toggledByList_, false))
            return;
        togglingHere_ = true;
        entry->setCheckState(entry->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        togglingHere_ = false;
    });

    QDialogButtonBox* buttons = addOkCancelButtons(this, texts);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstFiles_, 1);
    layout->addWidget(buttons);
}

QList<ChosenFile> FolderChooser::chosenFiles() const
{
    QList<ChosenFile> chosen;
    for (int row = 0; row < lstFiles_->count(); ++row) {
        const QListWidgetItem* entry = lstFiles_->item(row);
        if (entry->checkState() != Qt::Checked)
            continue;
        ChosenFile item;
        item.LocalPath = QDir(folderPath_).filePath(entry->text());
        item.FileSize = QFileInfo(item.LocalPath).size();
        chosen << item;
    }
    return chosen;
}

void FolderChooser::ShowDir(const QString& dirPath, const LanguageTable& texts, QList<ChosenFile>& chosen,
                            QWidget* parent)
{
    FolderChooser chooser(dirPath, texts, parent);
    // Cancel sends nothing: an earlier upload must not go out again.
    chosen = chooser.exec() == QDialog::Accepted ? chooser.chosenFiles() : QList<ChosenFile>();
}
