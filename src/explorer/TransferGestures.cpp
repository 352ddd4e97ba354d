#include "CommandScope.h"
#include "DownloadTexts.h"
#include "ExplorerWindow.h"
#include "FoldersBeforeCopy.h"
#include "LocalPane.h"
#include "PhoneRowsMimeData.h"
#include "TransferStatus.h"
#include "phone/DisplayName.h"
#include "phone/FolderCopy.h"
#include "phone/PhoneLink.h"
#include "phone/PhoneTexts.h"
#include "settings/LanguageTable.h"
#include "settings/SizeText.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScopeGuard>

namespace {

constexpr int kRootRefusesUploads = 109;
constexpr int kFolderDownloaded = 153;
constexpr int kOneFile = 154;
constexpr int kManyFiles = 155;
constexpr int kNotDownloaded = 156;
constexpr int kChooseUploads = 157;
constexpr int kOf = PhoneTexts::Of;
constexpr int kFolderStopped = 440;
constexpr int kUnderAnotherName = 442;
constexpr int kTooDeep = 443;
constexpr int kTooManyFolders = 444;
constexpr int kTooManyEntries = 445;

bool endsTheCommand(Outcome outcome)
{
    return outcome == Outcome::Cancelled || outcome == Outcome::LineLost;
}

} // namespace

void ExplorerWindow::UploadCommand()
{
    if (refuseWithoutLine() || refuseWhileBusy() || listedFolder_.isEmpty())
        return;
    // Said before the files are chosen, not after.
    if (listedFolder_ == QLatin1String("/")) {
        QMessageBox::critical(this, QStringLiteral("Vantrel"), texts_.GetString(kRootRefusesUploads));
        return;
    }
    const QStringList chosen = chooseUploads();
    if (!chosen.isEmpty())
        UploadDroppedPaths(chosen);
}

// The dialog is gone, its name box's suggestions with it, before the files go.
QStringList ExplorerWindow::chooseUploads()
{
    QFileDialog dialog(this, texts_.GetString(kChooseUploads), localPane_->currentFolder());
    dialog.setObjectName(QStringLiteral("cdgUpload"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    // A suggestion list is a window of its own: closing the dialog leaves it open.
    for (QCompleter* completer : dialog.findChildren<QCompleter*>())
        completer->popup()->hide();
    return chosen ? dialog.selectedFiles() : QStringList();
}

void ExplorerWindow::DownloadFolderCommand(const QString& phoneFolder)
{
    if (refuseWithoutLine() || refuseWhileBusy() || phoneFolder.isEmpty())
        return;
    const QString destination = localPane_->currentFolder();
    if (destination.isEmpty()) {
        statusText(1, texts_.GetString(kDownloadCannotStart) + QLatin1Char(' ') +
                          withVisibleControls(phoneFolder) + QLatin1Char('.'));
        return;
    }
    // The tree shows the folder the list shows again, whichever folder was copied.
    const auto treeAgrees = qScopeGuard([this] { highlightListedFolder(); });
    const FoldersBeforeCopy before(destination, QDir(destination).filePath(phoneFolderName(phoneFolder)));
    FolderCopyTally tally;
    int fileCount = 0;
    startTally();
    {
        CommandScope scope(*this);
        const auto transfersOver = qScopeGuard([this] { endTransfers(); });
        // Stop and Escape end the command from its first listing on.
        transferStatus_->beginCommand();
        FolderCopyOptions options = folderDownloadOptions();
        options.beginFile = [this, &fileCount](int number, int count) {
            fileCount = count;
            beginTransferOf(number, count);
        };
        tally = CopyPhoneFolders(*link_, {phoneFolder}, destination, options);
    }
    // A lost line has said so already, with the way back.
    if (closing_ || tally.end == Outcome::LineLost || tally.end == Outcome::NotRun ||
        (endsTheCommand(tally.end) && !commandStopped_))
        return;
    if (tally.end != Outcome::Done || commandStopped_) {
        // The files copied stay, and the status says how many; folders made for nothing go.
        before.removeEmptyFoldersMade();
        QString copied = texts_.GetString(kFolderStopped) + QLatin1Char(' ') + QString::number(tally.files);
        if (fileCount > 0)
            copied +=
                QLatin1Char(' ') + texts_.GetString(kOf) + QLatin1Char(' ') + QString::number(fileCount);
        stopReport_ = copied + QLatin1Char('.');
        return sayStopped();
    }
    showFolderTally(phoneFolder, tally);
}

// Files the local folder holds already are replaced only if the user agrees,
// as with single downloads; Cancel stops the whole copy.
FolderCopyOptions ExplorerWindow::folderDownloadOptions()
{
    FolderCopyOptions options;
    options.mayReplace = [this](const QString& name) {
        ReplaceQuestion question;
        question.name = withVisibleControls(name);
        if (mayReplace(question))
            return true;
        if (commandStopped_)
            link_->stopTransfer();
        return false;
    };
    return options;
}

QString ExplorerWindow::copyFailureText(const CopyFailure& failure) const
{
    const int reasons[] = {kNotDownloaded, kTooDeep, kTooManyFolders, kTooManyEntries};
    return texts_.GetString(reasons[static_cast<int>(failure.problem)]) + QLatin1Char(' ') +
           withVisibleControls(failure.path);
}

QString ExplorerWindow::keptAsText(const KeptAs& kept) const
{
    return texts_.GetString(kKeptAs) + QLatin1Char(' ') + withVisibleControls(kept.localName) +
           QStringLiteral(": ") + withVisibleControls(kept.path);
}

void ExplorerWindow::showFolderTally(const QString& phoneFolder, const FolderCopyTally& tally)
{
    startTally();
    for (const CopyFailure& failure : tally.failed)
        noteFailure(copyFailureText(failure));
    QStringList renamed;
    for (const KeptAs& kept : tally.renamed)
        renamed << keptAsText(kept);
    if (failedFiles_ > 0) {
        showFailures(kDownloadFailed, kDownloadsFailed);
        panels_[0]->setToolTip((failureReasons_ + renamed).join(QLatin1Char('\n')));
        return;
    }
    QString done = texts_.GetString(kFolderDownloaded) + QLatin1Char(' ') + withVisibleControls(phoneFolder) +
                   QLatin1Char(' ') + QString::number(tally.files) + QLatin1Char(' ') +
                   countedText(texts_, tally.files, kOneFile, kManyFiles) + QLatin1Char(' ') +
                   sizeInUnits(tally.bytes, sizeUnitsOf(texts_)) + QLatin1Char('.');
    if (!renamed.isEmpty())
        done += QStringLiteral(", ") + QString::number(renamed.size()) + QLatin1Char(' ') +
                texts_.GetString(kUnderAnotherName);
    statusText(1, done);
    if (!renamed.isEmpty())
        panels_[0]->setToolTip(renamed.join(QLatin1Char('\n')));
}

QMimeData* ExplorerWindow::rowsDragData()
{
    // The rows as they are when the drag starts: the list may be refilled before the drop.
    const QList<PhoneRow> rows = selectedRows();
    if (rows.isEmpty())
        return nullptr;
    return new PhoneRowsMimeData([this, rows] { return deliverRows(rows); });
}

QList<QUrl> ExplorerWindow::deliverRows(const QList<PhoneRow>& rows)
{
    QList<QUrl> delivered;
    if (refuseWithoutLine() || refuseWhileBusy())
        return delivered;
    CommandScope scope(*this);
    const auto transfersOver = qScopeGuard([this] { endTransfers(); });
    startTally();
    for (const PhoneRow& row : rows) {
        const Outcome outcome = link_->ReadFile(row.folder.chopped(1), row.name, tempFolder_);
        if (closing_ || endsTheCommand(outcome))
            return {};
        if (outcome == Outcome::Done)
            delivered << QUrl::fromLocalFile(QDir(tempFolder_).filePath(row.name));
        else
            noteFailure(panelText(1));
    }
    showTally(kDownloadDone, kDownloadFailed, kDownloadsFailed);
    return delivered;
}
