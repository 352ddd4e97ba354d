#include "FolderDownloadCommand.h"

#include "CommandGate.h"
#include "DownloadTexts.h"
#include "FoldersBeforeCopy.h"
#include "LocalPane.h"
#include "PhonePane.h"
#include "ReplaceQuestion.h"
#include "StatusPanels.h"
#include "TransferRunner.h"
#include "phone/DisplayName.h"
#include "phone/FolderCopy.h"
#include "phone/PhoneLink.h"
#include "phone/PhoneTexts.h"
#include "settings/LanguageTable.h"
#include "settings/SizeText.h"

#include <QDir>
#include <QScopeGuard>

namespace {

constexpr int kFolderDownloaded = 153;
constexpr int kOneFile = 154;
constexpr int kManyFiles = 155;
constexpr int kNotDownloaded = 156;
constexpr int kOf = PhoneTexts::Of;
constexpr int kFolderStopped = 440;
constexpr int kUnderAnotherName = 442;
constexpr int kTooDeep = 443;
constexpr int kTooManyFolders = 444;
constexpr int kTooManyEntries = 445;

} // namespace

FolderDownloadCommand::FolderDownloadCommand(const CommandContext& context, TransferRunner& runner,
                                             PhonePane& phone, const LocalPane& local)
    : context_(context), runner_(runner), phone_(phone), local_(local)
{}

void FolderDownloadCommand::DownloadFolderCommand(const QString& phoneFolder)
{
    if (context_.gate.refuseWithoutLine() || context_.gate.refuseWhileBusy() || phoneFolder.isEmpty())
        return;
    const QString destination = local_.currentFolder();
    if (destination.isEmpty()) {
        context_.status.setText(1, context_.texts.GetString(kDownloadCannotStart) + QLatin1Char(' ') +
                                       withVisibleControls(phoneFolder) + QLatin1Char('.'));
        return;
    }
    // The tree shows the folder the list shows again, whichever folder was copied.
    const auto treeAgrees = qScopeGuard([this] { phone_.highlightListedFolder(); });
    const FoldersBeforeCopy before(destination, QDir(destination).filePath(phoneFolderName(phoneFolder)));
    FolderCopyTally tally;
    int fileCount = 0;
    runner_.startTally();
    {
        CommandGate::Scope scope(context_.gate);
        const auto transfersOver = qScopeGuard([this] { runner_.endTransfers(); });
        // Stop and Escape end the command from its first listing on.
        context_.status.beginCommand();
        FolderCopyOptions copyOptions = options();
        copyOptions.beginFile = [this, &fileCount](int number, int count) {
            fileCount = count;
            runner_.beginTransferOf(number, count);
        };
        tally = CopyPhoneFolders(context_.link, {phoneFolder}, destination, copyOptions);
    }
    // A lost line has said so already, with the way back.
    if (context_.gate.isClosing() || tally.end == Outcome::LineLost || tally.end == Outcome::NotRun ||
        (endsTheCommand(tally.end) && !runner_.isStopped()))
        return;
    if (tally.end != Outcome::Done || runner_.isStopped()) {
        // The files copied stay, and the status says how many; folders made for nothing go.
        before.removeEmptyFoldersMade();
        QString copied =
            context_.texts.GetString(kFolderStopped) + QLatin1Char(' ') + QString::number(tally.files);
        if (fileCount > 0)
            copied += QLatin1Char(' ') + context_.texts.GetString(kOf) + QLatin1Char(' ') +
                      QString::number(fileCount);
        runner_.setStopReport(copied + QLatin1Char('.'));
        return runner_.sayStopped();
    }
    showFolderTally(phoneFolder, tally);
}

// Files the local folder holds already are replaced only if the user agrees,
// as with single downloads; Cancel stops the whole copy.
FolderCopyOptions FolderDownloadCommand::options()
{
    FolderCopyOptions copyOptions;
    copyOptions.mayReplace = [this](const QString& name) {
        ReplaceQuestion question;
        question.name = withVisibleControls(name);
        if (runner_.mayReplace(question))
            return true;
        if (runner_.isStopped())
            context_.link.stopTransfer();
        return false;
    };
    return copyOptions;
}

QString FolderDownloadCommand::copyFailureText(const CopyFailure& failure) const
{
    const int reasons[] = {kNotDownloaded, kTooDeep, kTooManyFolders, kTooManyEntries};
    return context_.texts.GetString(reasons[static_cast<int>(failure.problem)]) + QLatin1Char(' ') +
           withVisibleControls(failure.path);
}

void FolderDownloadCommand::showFolderTally(const QString& phoneFolder, const FolderCopyTally& tally)
{
    const LanguageTable& texts = context_.texts;
    runner_.startTally();
    for (const CopyFailure& failure : tally.failed)
        runner_.noteFailure(copyFailureText(failure));
    QStringList renamed;
    for (const KeptAs& kept : tally.renamed)
        renamed << keptAsText(texts, kept);
    if (runner_.failedFiles() > 0) {
        runner_.showFailures(kDownloadFailed, kDownloadsFailed);
        context_.status.setOperationDetails((runner_.failureReasons() + renamed).join(QLatin1Char('\n')));
        return;
    }
    QString done = texts.GetString(kFolderDownloaded) + QLatin1Char(' ') + withVisibleControls(phoneFolder) +
                   QLatin1Char(' ') + QString::number(tally.files) + QLatin1Char(' ') +
                   countedText(texts, tally.files, kOneFile, kManyFiles) + QLatin1Char(' ') +
                   sizeInUnits(tally.bytes, sizeUnitsOf(texts)) + QLatin1Char('.');
    if (!renamed.isEmpty())
        done += QStringLiteral(", ") + QString::number(renamed.size()) + QLatin1Char(' ') +
                texts.GetString(kUnderAnotherName);
    context_.status.setText(1, done);
    if (!renamed.isEmpty())
        context_.status.setOperationDetails(renamed.join(QLatin1Char('\n')));
}
