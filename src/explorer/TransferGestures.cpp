#include "CommandScope.h"
#include "DownloadTexts.h"
#include "ExplorerWindow.h"
#include "LocalPane.h"
#include "PhoneRowsMimeData.h"
#include "phone/FolderCopy.h"
#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace {

constexpr int kListedKB = 53;
constexpr int kRootRefusesUploads = 109;
constexpr int kFolderDownloaded = 153;
constexpr int kOneFile = 154;
constexpr int kManyFiles = 155;
constexpr int kNotDownloaded = 156;
constexpr int kChooseUploads = 157;

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
    QFileDialog dialog(this, texts_.GetString(kChooseUploads), localPane_->currentFolder());
    dialog.setObjectName(QStringLiteral("cdgUpload"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    UploadDroppedPaths(dialog.selectedFiles());
}

void ExplorerWindow::DownloadFolderCommand(const QString& phoneFolder)
{
    if (refuseWithoutLine() || refuseWhileBusy() || phoneFolder.isEmpty())
        return;
    const QString destination = localPane_->currentFolder();
    if (destination.isEmpty()) {
        statusText(1, texts_.GetString(kDownloadCannotStart) + QLatin1Char(' ') + phoneFolder +
                          QLatin1Char('.'));
        return;
    }
    FolderCopyTally tally;
    startTally();
    {
        CommandScope scope(*this);
        // The root has no name of its own: its folders land in the pane's folder.
        const QString name = phoneFolderName(phoneFolder);
        const QString local = name.isEmpty() ? destination : localFolderFor(destination, name);
        if (local.isEmpty())
            tally.failed << phoneFolder;
        else
            tally = CopyPhoneFolder(*link_, phoneFolder, local, folderDownloadOptions());
    }
    // A lost line has said so already, with the way back.
    if (closing_ || endsTheCommand(tally.end))
        return;
    if (tally.end == Outcome::Stopped)
        return sayStopped();
    showFolderTally(phoneFolder, tally);
}

// Files the local folder holds already are replaced only if the user agrees,
// as with single downloads; Cancel stops the whole copy.
FolderCopyOptions ExplorerWindow::folderDownloadOptions()
{
    FolderCopyOptions options;
    options.mayReplace = [this](const QString& name) {
        ReplaceQuestion question;
        question.name = name;
        if (mayReplace(question))
            return true;
        if (commandStopped_)
            link_->stopTransfer();
        return false;
    };
    return options;
}

void ExplorerWindow::showFolderTally(const QString& phoneFolder, const FolderCopyTally& tally)
{
    startTally();
    for (const QString& path : tally.failed)
        noteFailure(texts_.GetString(kNotDownloaded) + QLatin1Char(' ') + path);
    if (failedFiles_ > 0) {
        showFailures(kDownloadFailed, kDownloadsFailed);
        return;
    }
    statusText(1, texts_.GetString(kFolderDownloaded) + QLatin1Char(' ') + phoneFolder + QLatin1Char(' ') +
                      QString::number(tally.files) + QLatin1Char(' ') +
                      texts_.GetString(tally.files == 1 ? kOneFile : kManyFiles) + QLatin1Char(' ') +
                      QString::number(tally.bytes / 1024) + QLatin1Char(' ') + texts_.GetString(kListedKB));
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
