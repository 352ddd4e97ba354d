#include "ExplorerWindow.h"
#include "TransferStatus.h"
#include "phone/PhoneLink.h"

void ExplorerWindow::setRepairJournalFile(const QString& path)
{
    link_->journal().setFilePath(path);
}

std::optional<ExplorerWindow::KeptFile> ExplorerWindow::keepPhoneFile(const UploadItem& item)
{
    std::optional<KeptFile> kept = KeepPhoneFile(*link_, item);
    if (kept)
        return kept;
    const Outcome outcome = link_->stopRequested() ? Outcome::Stopped : Outcome::Failed;
    noteStop(outcome);
    if (outcome == Outcome::Failed && link_->isOpen())
        noteFailure(panelText(1));
    return std::nullopt;
}

void ExplorerWindow::settleKeptFile(const KeptFile& kept, const UploadItem& item, Outcome outcome)
{
    const int fileNumber = transferStatus_->fileNumber();
    const int fileCount = transferStatus_->fileCount();
    // The earlier file going back is a transfer of its own, with its own progress.
    SettleKeptCopy(*link_, kept, item, outcome, [&] { beginTransferOf(fileNumber, fileCount); });
    if (outcome == Outcome::Stopped)
        stopReport_ = panelText(1);
}
