#pragma once

#include "PhoneTypes.h"
#include "RepairRecord.h"
#include "settings/Settings.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

class DownloadFrameParser;
class LanguageTable;
class LineTrace;
class PhoneObserver;
class QEventLoop;
class QFile;

// The one owner of the serial line. Each phone operation writes its command and
// waits for the answer in a nested event loop, so the window stays alive; only
// one exchange runs at a time and a second one asked for meanwhile is refused.
// Arrivals are taken in the port's read handler, which wakes the waiting
// operation only once its wait is over.
class PhoneLink : public QObject
{
    Q_OBJECT
public:
    struct Timing
    {
        int TimeOutTime = 10000;
        int DelayTime = 1500;
        int SliceSize = 10240;
        // How long a listing waits for the line end after its final "OK".
        int FinalLineGrace = 500;
        // How long the line must stay silent before the rest of an abandoned
        // download counts as passed.
        int AnswerSilence = 500;
        // How long the line must stay quiet before a command may follow an
        // answer that ended early, or the first command of a run that may
        // follow a killed one.
        int LineSettle = 500;

        static Timing from(const Settings& settings)
        {
            Timing timing;
            timing.TimeOutTime = settings.TimeOutTime;
            timing.DelayTime = settings.DelayTime;
            timing.SliceSize = settings.SliceSize;
            return timing;
        }
    };

    PhoneLink(const LanguageTable& texts, PhoneObserver& observer, QObject* parent = nullptr);
    ~PhoneLink() override;

    void setTiming(const Timing& timing);
    const Timing& timing() const { return timing_; }
    void setTempFolder(const QString& folder) { TempFolder = folder; }
    QString tempFolder() const { return TempFolder; }
    // Where repairs that must outlive the run are recorded; without one,
    // nothing is known of earlier runs.
    void setRepairRecord(RepairRecord* record) { repairRecord_ = record; }
    RepairRecord* repairRecord() const { return repairRecord_; }
    void setDisplayCharge(bool on) { displayCharge_ = on; }
    void setShowInternal(bool on) { showInternal_ = on; }
    // Every byte written and read passes it; none (nullptr) costs nothing.
    void setLineTrace(LineTrace* trace) { trace_ = trace; }

    // Opens the device for a port number (the label in the texts) or a device path.
    bool OpenPort(const QString& portLabel, const QString& device);
    // Closes the line; one left in step is noted as such for the next run.
    void ClosePort();
    // Carries out what the repair record holds (partial uploads to delete, old
    // files to put back); says so in the status. The number of repairs done.
    int CarryOutRepairs();
    // For a program that ends at once (Ctrl-C, the window closed during a
    // transfer): the exchange in progress is cancelled and the line let go
    // without waiting for the phone; the next run brings it back in step.
    void abandonLine();
    bool isOpen() const;
    bool isExchangeRunning() const { return exchangeRunning_; }
    QString portLabel() const { return portLabel_; }
    QString device() const { return device_; }

    // Ends the exchange in progress; it returns Cancelled and reports nothing more.
    void cancel();
    // The user's Stop: a download abandons its answer at once, an upload ends
    // after the slice on its way and deletes what reached the phone; either
    // returns Stopped. Any other exchange is cancelled. Holds until the next
    // command begins.
    void stopTransfer();
    bool stopRequested() const { return stopRequested_; }
    // For the step that must follow a Stop (putting back a file the stopped
    // upload was to replace): the Stop has done its work.
    void forgetStop() { stopRequested_ = false; }
    bool isTransferRunning() const { return transferRunning_; }
    // The phone may still be sending an earlier answer.
    bool isDraining() const { return draining_ || settleQuiet_ > 0; }

    // Waits out the pause the phone needs after the last exchange; for a
    // program about to end, whose next command may come from another process.
    // A line out of step is left to the next run, which settles it.
    void waitOutPause();

    // Busy state around a whole command (several exchanges); nests.
    void beginBusy();
    void endBusy();

    ListingResult ListFolder(const QString& folder);
    BatteryResult ShowBatteryCharge();
    BatteryResult QueryBatteryCharge();
    // The file is saved as `localName` when given, else under its phone name;
    // `listedSize`: the size the folder's listing gave, which the answer must announce.
    Outcome ReadFile(const QString& folder, const QString& name, const QString& localFolder,
                     const QString& localName = {}, std::optional<qint64> listedSize = std::nullopt);
    Outcome SendFile(const UploadItem& item);
    Outcome DeleteFile(const QString& name, const QString& folder);

    QString text(int number) const;
    // Names from the phone in status texts never carry a raw control
    // character: the window shows them as replacement characters, a
    // terminal quotes them as `ls` does.
    void setNameForm(std::function<QString(const QString&)> form) { nameForm_ = std::move(form); }
    QString shownName(const QString& name) const;

    // True once the last download, slice or battery query has succeeded.
    bool commandDone() const { return CommandDone; }
    // The file names of the last listing of "/java/".
    const QStringList& javaFileNames() const { return JavaFileNames; }
    // What the last exchange received.
    const QByteArray& lastAnswer() const { return ReceiveBuffer; }

private:
    // Shared state of the exchanges.
    bool TimedOut = false;
    bool Processing = false;
    bool CommandDone = false;
    QByteArray LastChunk;
    QByteArray ReceiveBuffer;
    QString TempFolder;
    QStringList JavaFileNames;

    enum class WaitEnd
    {
        Satisfied,
        TimedOut,
        LineLost,
        Cancelled,
        Stopped // the user's Stop, before a transfer's command went out
    };

    class ExchangeScope;

    QString openFailureText(const QString& portLabel, const QString& device) const;

    void setStatus(int panel, const QString& text);
    // Waits out the previous exchange's pause, drops what is left of earlier
    // answers, writes the command and starts the time-out from its sending.
    WaitEnd startExchange(const QString& command);
    // Before a command: waits out the rest of an abandoned answer and a line
    // that must settle, saying so when it lasts.
    WaitEnd bringLineInStep();
    WaitEnd settleLine();
    void showSettleNotice();
    // The line may carry an earlier answer: the next command waits until it
    // has been quiet for `quietMillis`.
    void markOutOfStep(qint64 quietMillis);
    // The answer to the command written last has wholly arrived.
    void answerEnded() { answerOutstanding_ = false; }
    // An exchange that ends before its answer did leaves the line out of step.
    void noteUnfinishedAnswer();
    void completeInterruptedSlice();
    bool repairOne(const RepairRecord::Repair& repair);
    void discardStaleInput();
    void writeToLine(const QByteArray& bytes);
    // A short answer: bounded by the time-out from the command's sending.
    void startTimeOut();
    // An answer that grows with its content: the time-out measures the line's
    // silence, within `capMillis` from now (negative: no cap).
    void measureSilenceFor(qint64 capMillis);
    void armTimeOut();
    qint64 lineMillis(qint64 bytes) const;
    void startPause();
    WaitEnd pauseWait();
    void onPauseTick();
    void readWaiting();
    // Long answers are read in batches: one wake-up every kBatchMillis instead
    // of one for every few bytes the line delivers.
    void followBatchWish();
    void takeBatch();
    void stopBatching();
    void checkWait();
    WaitEnd waitUntil(std::function<bool()> satisfied);
    void runEventsUntilWoken();
    void wake();
    void onPortError(QSerialPort::SerialPortError error);

    void enterDataPhase(DownloadFrameParser& frame, bool& dataPhase, std::optional<qint64> listedSize);
    void reportProgress(qint64 done, qint64 total);
    // An abandoned answer still coming is read and dropped; the next exchange
    // starts once it has ended (`remaining` bytes, negative: unknown) or the
    // line has fallen silent.
    void abandonAnswer(qint64 remaining);
    void dropAbandonedBytes(QByteArray& chunk);
    WaitEnd drainAbandonedAnswer();
    Outcome sendSlices(const UploadItem& item, bool& phoneFileStarted);
    QString recordPartialUpload(const UploadItem& item);
    // True when no part of the file is left on the phone.
    bool removePartialUpload(const UploadItem& item);
    Outcome writeSlice(const UploadItem& item, QFile& file, qint64 offset, qint64 length,
                       bool& phoneFileStarted);

    const LanguageTable& texts_;
    PhoneObserver& observer_;
    QSerialPort port_;
    QTimer tmrTimeout_;
    QTimer tmrProcessing_;
    QTimer graceTimer_;
    QTimer batchTimer_;
    QTimer settleNotice_;
    bool settleNoticeShown_ = false;
    static constexpr int kSettleNoticeMillis = 1000;
    // However long an earlier answer may be, a line that talks beyond this is not settling.
    static constexpr qint64 kLongestSettleMillis = 5 * 60 * 1000;
    qint64 settleQuiet_ = 0; // 0: the line is in step
    // The phone may be waiting for the rest of a slice this long.
    qint64 sliceToFill_ = 0;
    QString device_;
    bool answerOutstanding_ = false;
    bool answerTimedOut_ = false;
    RepairRecord* repairRecord_ = nullptr;
    static constexpr int kBatchMillis = 20;
    static constexpr int kLargestBatch = 3072;
    bool batchWanted_ = false;
    bool batchDeclined_ = false;
    bool batching_ = false;
    QElapsedTimer exchangeClock_;
    QElapsedTimer lineActivity_;
    qint64 deadline_ = -1; // on exchangeClock_; -1: none
    bool measureSilence_ = false;
    QDeadlineTimer pauseEnd_;
    std::function<bool()> waitCondition_;
    std::optional<WaitEnd> waitEnd_;
    QEventLoop* activeLoop_ = nullptr;
    Timing timing_;
    QString portLabel_;
    QString panel1_;
    QString panel3_;
    int busyDepth_ = 0;
    bool exchangeRunning_ = false;
    bool cancelled_ = false;
    bool stopRequested_ = false;
    bool transferRunning_ = false;
    bool draining_ = false;
    qint64 drainRemaining_ = -1;
    // How long the line must stay silent before a silence-measured wait ends.
    qint64 silenceLimit_ = -1; // -1: TimeOutTime
    bool lineLost_ = false;
    bool abandoned_ = false; // no exchange starts any more
    bool displayCharge_ = false;
    bool showInternal_ = false;
    // Bytes arriving on their own in binary reception go here instead of the buffer.
    std::function<void(const QByteArray&)> binarySink_;
    LineTrace* trace_ = nullptr;
    std::function<QString(const QString&)> nameForm_;
};
