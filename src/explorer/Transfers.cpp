#include "ExplorerWindow.h"
#include "FileList.h"
#include "TransferStatus.h"
#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

namespace {

constexpr int kCancel = 12;
constexpr int kQuitQuestion = 144;
constexpr int kExistsAlready = 145;
constexpr int kOverwrite = 146;
constexpr int kSkip = 147;
constexpr int kOverwriteAll = 148;
constexpr int kStopped = 141;
constexpr int kNameRole = Qt::UserRole + 2;
// Progress bar steps: fine enough for a smooth bar, whole for the last byte.
constexpr int kProgressSteps = 1000;

} // namespace

void ExplorerWindow::StopCommand()
{
    if (!transferStatus_->isRunning() || commandStopped_)
        return;
    commandStopped_ = true;
    link_->stopTransfer();
}

void ExplorerWindow::ExitCommand()
{
    // Without a transfer File > Exit ends the program at once, as it always has;
    // otherwise it closes the window, which asks and tidies up.
    if (!transferStatus_->isRunning() && !link_->isDraining())
        std::exit(0);
    close();
}

bool ExplorerWindow::quitDespiteTransfer()
{
    return QMessageBox::question(this, QStringLiteral("Vantrel"), texts_.GetString(kQuitQuestion),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

bool ExplorerWindow::commandEnded() const
{
    return closing_ || commandStopped_;
}

ExplorerWindow::Overwrite ExplorerWindow::askOverwrite(const QString& name)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vantrel"),
                    name + QLatin1Char(' ') + texts_.GetString(kExistsAlready), QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("msgOverwrite"));
    const std::pair<const char*, int> buttons[] = {{"cmdOverwrite", kOverwrite},
                                                   {"cmdSkip", kSkip},
                                                   {"cmdOverwriteAll", kOverwriteAll},
                                                   {"cmdCancel", kCancel}};
    QList<QPushButton*> added;
    for (const auto& [name, text] : buttons) {
        const QMessageBox::ButtonRole role =
            text == kCancel ? QMessageBox::RejectRole
                            : (text == kSkip ? QMessageBox::NoRole : QMessageBox::AcceptRole);
        QPushButton* button = box.addButton(texts_.GetString(text), role);
        button->setObjectName(QLatin1String(name));
        added << button;
    }
    box.setDefaultButton(added.at(1));
    box.setEscapeButton(added.at(3));
    box.exec();
    const qsizetype chosen = added.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    const Overwrite answers[] = {Overwrite::Yes, Overwrite::Skip, Overwrite::All, Overwrite::Cancel};
    return chosen < 0 ? Overwrite::Cancel : answers[chosen];
}

bool ExplorerWindow::mayReplace(const QString& name)
{
    if (overwriteAll_)
        return true;
    switch (askOverwrite(name)) {
    case Overwrite::Yes:
        return true;
    case Overwrite::All:
        overwriteAll_ = true;
        return true;
    case Overwrite::Skip:
        return false;
    case Overwrite::Cancel:
        break;
    }
    commandStopped_ = true;
    return false;
}

void ExplorerWindow::sayStopped()
{
    if (closing_)
        return;
    if (stopReport_.isEmpty())
        stopReport_ = texts_.GetString(kStopped);
    statusText(1, stopReport_);
}

bool ExplorerWindow::phoneFolderLists(const UploadItem& item) const
{
    // What the list shows is what the phone folder held when it was listed.
    if (item.PhoneFolder + QLatin1Char('/') != listedFolder_ &&
        !(item.PhoneFolder.isEmpty() && listedFolder_ == QLatin1String("/")))
        return false;
    for (int i = 0; i < lstFiles_->topLevelItemCount(); ++i) {
        if (lstFiles_->topLevelItem(i)->data(0, kNameRole).toString() == item.FileName)
            return true;
    }
    return false;
}

void ExplorerWindow::beginTransferOf(int fileNumber, int fileCount)
{
    transferStatus_->beginFile(fileNumber, fileCount);
    pgbMain_->setRange(0, kProgressSteps);
    pgbMain_->setValue(0);
    pgbMain_->show();
}

void ExplorerWindow::endTransfers()
{
    transferStatus_->finish();
    pgbMain_->hide();
    statusText(3, QString());
}

void ExplorerWindow::noteStop(Outcome outcome)
{
    if (outcome != Outcome::Stopped)
        return;
    commandStopped_ = true;
    // Said by the link, with what became of a partial copy; kept past the re-listing.
    stopReport_ = panelText(1);
}

void ExplorerWindow::transferProgress(qint64 done, qint64 total)
{
    transferStatus_->progress(done, total);
    if (total < 0) {
        // Size not announced yet: a bar that only says "working".
        pgbMain_->setRange(0, 0);
        return;
    }
    pgbMain_->setRange(0, kProgressSteps);
    pgbMain_->setValue(total > 0 ? static_cast<int>(done * kProgressSteps / total) : kProgressSteps);
}
