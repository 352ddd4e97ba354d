#include "TransferRunner.h"

#include "CommandGate.h"
#include "ReplaceQuestion.h"
#include "StatusPanels.h"
#include "phone/DisplayName.h"
#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"

namespace {

constexpr int kUploadsDone = 65;
constexpr int kUploadsFailed = 78;
constexpr int kUploadFailed = 83;
constexpr int kNothingSent = 87;
constexpr int kStopped = 141;
constexpr int kAllSkippedNothingSent = 473;
constexpr int kStoppedTooLate = 530;

} // namespace

void TransferRunner::startTally()
{
    sentFiles_ = 0;
    failedFiles_ = 0;
    skippedFiles_ = 0;
    failureReasons_.clear();
    stopped_ = false;
    overwriteAll_ = false;
    stopReport_.clear();
}

void TransferRunner::noteFailure(const QString& reason)
{
    ++failedFiles_;
    failureReasons_ << reason;
}

void TransferRunner::showTally(int doneText, int oneFailedText, int manyFailedText)
{
    if (failedFiles_ == 0)
        context_.status.setText(1, context_.texts.GetString(doneText));
    else
        showFailures(oneFailedText, manyFailedText);
}

void TransferRunner::showFailures(int oneFailedText, int manyFailedText)
{
    context_.status.setText(1, failureReasons_.first() + QLatin1Char(' ') + QString::number(failedFiles_) +
                                   QLatin1Char(' ') +
                                   countedText(context_.texts, failedFiles_, oneFailedText, manyFailedText));
    context_.status.setOperationDetails(failureReasons_.join(QLatin1Char('\n')));
}

void TransferRunner::showUploadTally()
{
    if (sentFiles_ == 0 && failedFiles_ == 0)
        context_.status.setText(
            1, context_.texts.GetString(skippedFiles_ > 0 ? kAllSkippedNothingSent : kNothingSent));
    else
        showTally(kUploadsDone, kUploadFailed, kUploadsFailed);
}

void TransferRunner::StopCommand()
{
    if (!context_.status.isTransferRunning() || stopped_)
        return;
    stopped_ = true;
    context_.link.stopTransfer();
}

bool TransferRunner::commandEnded() const
{
    return context_.gate.isClosing() || stopped_;
}

void TransferRunner::noteStop(Outcome outcome)
{
    if (outcome != Outcome::Stopped)
        return;
    stopped_ = true;
    // Said by the link, with what became of a partial copy; kept past the re-listing.
    stopReport_ = context_.status.text(1);
}

// The phone holds the new file whole (and the file it replaced is gone), not the old one.
void TransferRunner::noteStopTooLate(const QString& name)
{
    stopReport_ = context_.texts.GetString(kStoppedTooLate) + QLatin1Char(' ') + withVisibleControls(name) +
                  QLatin1Char('.');
}

void TransferRunner::sayStopped()
{
    if (context_.gate.isClosing())
        return;
    if (stopReport_.isEmpty())
        stopReport_ = context_.texts.GetString(kStopped);
    context_.status.setText(1, stopReport_);
}

bool TransferRunner::mayReplace(const ReplaceQuestion& question)
{
    if (overwriteAll_)
        return true;
    switch (askOverwrite(question, context_.texts, &context_.window)) {
    case Overwrite::Yes:
        return true;
    case Overwrite::All:
        overwriteAll_ = true;
        return true;
    case Overwrite::Skip:
        ++skippedFiles_;
        return false;
    case Overwrite::Cancel:
        break;
    }
    stopped_ = true;
    return false;
}

void TransferRunner::beginTransferOf(int fileNumber, int fileCount)
{
    context_.status.beginFile(fileNumber, fileCount);
}

void TransferRunner::endTransfers()
{
    context_.status.endTransfers();
}
