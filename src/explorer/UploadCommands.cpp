#include "UploadCommands.h"

#include "CommandGate.h"
#include "LocalPane.h"
#include "PhonePane.h"
#include "ReplaceQuestion.h"
#include "StatusPanels.h"
#include "TransferRunner.h"
#include "dialogs/FolderChooser.h"
#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QScopeGuard>

namespace {

constexpr int kMissingFileBefore = 107;
constexpr int kMissingFileAfter = 108;
constexpr int kRootRefusesUploads = 109;
constexpr int kChooseUploads = 157;

} // namespace

UploadCommands::UploadCommands(const CommandContext& context, TransferRunner& runner, PhonePane& phone,
                               const LocalPane& local)
    : context_(context), runner_(runner), phone_(phone), local_(local)
{}

bool UploadCommands::lineGone() const
{
    return context_.gate.isClosing() || !context_.link.isOpen();
}

void UploadCommands::UploadCommand()
{
    if (context_.gate.refuseWithoutLine() || context_.gate.refuseWhileBusy() ||
        phone_.listedFolder().isEmpty())
        return;
    // Said before the files are chosen, not after.
    if (phone_.listedFolder() == QLatin1String("/")) {
        QMessageBox::critical(&context_.window, QStringLiteral("Vantrel"),
                              context_.texts.GetString(kRootRefusesUploads));
        return;
    }
    const QStringList chosen = chooseUploads();
    if (!chosen.isEmpty())
        UploadDroppedPaths(chosen);
}

// The dialog is gone, its name box's suggestions with it, before the files go.
QStringList UploadCommands::chooseUploads()
{
    QFileDialog dialog(&context_.window, context_.texts.GetString(kChooseUploads), local_.currentFolder());
    dialog.setObjectName(QStringLiteral("cdgUpload"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    // A suggestion list is a window of its own: closing the dialog leaves it open.
    for (QCompleter* completer : dialog.findChildren<QCompleter*>())
        completer->popup()->hide();
    return chosen ? dialog.selectedFiles() : QStringList();
}

void UploadCommands::UploadDroppedPaths(const QStringList& paths)
{
    if (context_.gate.refuseWithoutLine() || context_.gate.refuseWhileBusy())
        return;
    // Files go into the folder the list shows, where they were dropped.
    const QString tag = phone_.listedFolder();
    if (tag.isEmpty())
        return;
    if (tag.trimmed() == QLatin1String("/")) {
        QMessageBox::critical(&context_.window, QStringLiteral("Vantrel"),
                              context_.texts.GetString(kRootRefusesUploads));
        return;
    }
    runner_.startTally();
    {
        CommandGate::Scope scope(context_.gate);
        const auto transfersOver = qScopeGuard([this] { runner_.endTransfers(); });
        for (qsizetype i = 0; i < paths.size(); ++i) {
            if (lineGone())
                return;
            if (runner_.isStopped())
                break;
            const QFileInfo info(paths.at(i));
            if (info.isFile()) {
                UploadItem item;
                item.LocalPath = info.absoluteFilePath();
                item.PhoneFolder = withoutClosingSlash(tag);
                item.FileName = info.fileName();
                item.FileSize = info.size();
                uploadOne(item, static_cast<int>(i + 1), static_cast<int>(paths.size()));
                continue;
            }
            queueChosenFiles(paths.at(i));
            SendQueuedFiles();
        }
    }
    if (lineGone())
        return;
    phone_.RefreshCommand();
    if (runner_.isStopped())
        runner_.sayStopped();
    else
        runner_.showUploadTally();
}

void UploadCommands::queueChosenFiles(const QString& folder)
{
    QList<ChosenFile> chosen;
    FolderChooser::ShowDir(folder, context_.texts, chosen, &context_.window);
    queue_.clear();
    for (const ChosenFile& file : chosen) {
        UploadItem item;
        item.LocalPath = file.LocalPath;
        item.FileSize = file.FileSize;
        queue_ << item;
    }
}

int UploadCommands::SendQueuedFiles()
{
    if (!context_.link.isOpen())
        return static_cast<int>(queue_.size());
    // Inside a drop the drop counts and reports; on its own it does both itself.
    const bool onItsOwn = !context_.gate.isCommandRunning();
    if (onItsOwn)
        runner_.startTally();
    // Failed, skipped, stopped and never reached alike.
    const int sentBefore = runner_.sentFiles();
    auto notSent = [&] { return static_cast<int>(queue_.size()) - (runner_.sentFiles() - sentBefore); };
    CommandGate::Scope scope(context_.gate);
    const auto transfersOver = qScopeGuard([this, onItsOwn] {
        if (onItsOwn)
            runner_.endTransfers();
    });
    for (qsizetype index = 0; index < queue_.size(); ++index) {
        if (lineGone() || runner_.isStopped())
            return notSent();
        UploadItem& item = queue_[index];
        // A file gone since it was chosen is a failure, not a silent skip.
        if (!QFileInfo(item.LocalPath).isFile()) {
            runner_.noteFailure(context_.texts.GetString(kMissingFileBefore) + QLatin1Char(' ') +
                                QDir::toNativeSeparators(item.LocalPath) + QLatin1Char(' ') +
                                context_.texts.GetString(kMissingFileAfter));
            continue;
        }
        // The Java menu and its suites replace the phone's on purpose: the user
        // agreed to send them, and skipping the menu would leave the phone without one.
        const bool forJava = item.PhoneFolder == QLatin1String("</java>");
        item.PhoneFolder = forJava ? QStringLiteral("/java") : withoutClosingSlash(phone_.listedFolder());
        item.FileName = QFileInfo(item.LocalPath).fileName();
        uploadOne(item, static_cast<int>(index + 1), static_cast<int>(queue_.size()), !forJava);
    }
    if (onItsOwn && runner_.isStopped())
        runner_.sayStopped();
    else if (onItsOwn)
        runner_.showUploadTally();
    return notSent();
}

bool UploadCommands::phoneFolderLists(const UploadItem& item) const
{
    // What the list shows is what the phone folder held when it was listed.
    const QString listed = phone_.listedFolder();
    if (item.PhoneFolder + QLatin1Char('/') != listed &&
        !(item.PhoneFolder.isEmpty() && listed == QLatin1String("/")))
        return false;
    return phone_.listedSize(item.FileName).has_value();
}

Outcome UploadCommands::uploadOne(UploadItem item, int fileNumber, int fileCount, bool askBeforeReplacing)
{
    const bool replacing = askBeforeReplacing && phoneFolderLists(item);
    if (runner_.commandEnded() ||
        (replacing && !runner_.mayReplace(uploadQuestion(item, phone_.listedSize(item.FileName)))) ||
        runner_.commandEnded())
        return Outcome::NotRun;
    runner_.beginTransferOf(fileNumber, fileCount);
    context_.window.repaint();
    const auto barOver = qScopeGuard([this] { context_.status.endFile(); });
    // Until the new file is whole the phone's old one lives on here.
    std::optional<KeptCopy> kept;
    if (replacing) {
        if (!(kept = keepPhoneFile(item)))
            return Outcome::Failed;
        runner_.beginTransferOf(fileNumber, fileCount);
    }
    const Outcome outcome = context_.link.SendFile(item);
    runner_.noteStop(outcome);
    if (kept)
        settleKeptFile(*kept, item, outcome);
    if (outcome == Outcome::Done && runner_.isStopped())
        runner_.noteStopTooLate(item.FileName);
    if (outcome == Outcome::Done)
        runner_.noteSent();
    else if (outcome != Outcome::Stopped)
        runner_.noteFailure(context_.status.text(1));
    return outcome;
}

std::optional<KeptCopy> UploadCommands::keepPhoneFile(const UploadItem& item)
{
    std::optional<KeptCopy> kept = KeepPhoneFile(context_.link, item);
    if (kept)
        return kept;
    const Outcome outcome = context_.link.stopRequested() ? Outcome::Stopped : Outcome::Failed;
    runner_.noteStop(outcome);
    if (outcome == Outcome::Failed && context_.link.isOpen())
        runner_.noteFailure(context_.status.text(1));
    return std::nullopt;
}

void UploadCommands::settleKeptFile(const KeptCopy& kept, const UploadItem& item, Outcome outcome)
{
    const int fileNumber = context_.status.fileNumber();
    const int fileCount = context_.status.fileCount();
    // The earlier file going back is a transfer of its own, with its own progress.
    SettleKeptCopy(context_.link, kept, item, outcome,
                   [&] { runner_.beginTransferOf(fileNumber, fileCount); });
    if (outcome == Outcome::Stopped)
        runner_.setStopReport(context_.status.text(1));
}
