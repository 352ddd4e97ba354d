#pragma once

#include "CommandContext.h"
#include "phone/PhoneTypes.h"

#include <QStringList>

struct ReplaceQuestion;

// The user cancelled, or the line is gone (which the link has said, with the way back).
inline bool endsTheCommand(Outcome outcome)
{
    return outcome == Outcome::Cancelled || outcome == Outcome::LineLost;
}

// One transfer command's course: the files counted as they go, the first
// reason one failed, Stop and what it left, the answers to the overwrite
// question and the progress in the status bar. Each transfer command starts
// a tally, moves its files through it and ends with its report.
class TransferRunner
{
public:
    explicit TransferRunner(const CommandContext& context) : context_(context) {}

    void startTally();
    void noteSent() { ++sentFiles_; }
    void noteFailure(const QString& reason);
    int sentFiles() const { return sentFiles_; }
    int failedFiles() const { return failedFiles_; }
    int skippedFiles() const { return skippedFiles_; }
    const QStringList& failureReasons() const { return failureReasons_; }
    void showTally(int doneText, int oneFailedText, int manyFailedText);
    // The first reason stays in view; the tooltip holds every one.
    void showFailures(int oneFailedText, int manyFailedText);
    void showUploadTally();

    // Stop button and Escape: ends the running transfer and the command.
    void StopCommand();
    bool isStopped() const { return stopped_; }
    // The user stopped, or the window closes: no further file starts.
    bool commandEnded() const;
    // A stopped transfer's own report (what became of a partial copy) is kept for the end.
    void noteStop(Outcome outcome);
    // A Stop during the last slice comes after the slice has gone.
    void noteStopTooLate(const QString& name);
    void setStopReport(const QString& report) { stopReport_ = report; }
    void sayStopped();

    // Whether to go on where a file of that name exists; false skips it,
    // and after Cancel ends the command.
    bool mayReplace(const ReplaceQuestion& question);

    void beginTransferOf(int fileNumber, int fileCount);
    void endTransfers();

private:
    CommandContext context_;
    int sentFiles_ = 0;
    int failedFiles_ = 0;
    int skippedFiles_ = 0;
    QStringList failureReasons_;
    // The user stopped the command (Stop, Escape, Cancel in a question).
    bool stopped_ = false;
    bool overwriteAll_ = false;
    QString stopReport_;
};
