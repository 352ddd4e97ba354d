#pragma once

#include "PhoneIdentity.h"
#include "PhoneTypes.h"
#include "RepairJournal.h"
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
    // Where repairs that must outlive the run are recorded, and how the line
    // was left: the one journal of the process.
    RepairJournal& journal() { return journal_; }
    const RepairJournal& journal() const { return journal_; }
    void setDisplayCharge(bool on) { displayCharge_ = on; }
    void setShowInternal(bool on) { showInternal_ = on; }
    // Every byte written and read passes it; none (nullptr) costs nothing.
    void setLineTrace(LineTrace* trace) { trace_ = trace; }

    // Opens the device for a port number (the label in the texts) or a device path.
    bool OpenPort(const QString& portLabel, const QString& device);
    // Closes the line; one left in step is noted as such for the next run.
    void ClosePort();
    // Asks the phone who it is (once per connection); false when it did not answer.
    bool IdentifyPhone();
    const PhoneIdentity& identity() const { return identity_; }
    // Carries out what the journal holds for the phone on the line (partial
    // uploads to delete, old files to put back), each only after a listing
    // shows that what it finds is this program's leftover; says so in the
    // status. The number of repairs done.
    int CarryOutRepairs();
    // What the last CarryOutRepairs said; empty when it had nothing to say.
    const QString& repairReport() const { return repairReport_; }
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
    // The operation text shown last, and a new one for steps built on the
    // link's operations (keeping a replaced file, the Java sending).
    const QString& operationText() const { return panel1_; }
    void setOperationText(const QString& text) { setStatus(1, text); }
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
    // The system's reason why the last download's file could not be written; empty when it could.
    const QString& localWriteError() const { return localWriteError_; }

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
    // `boundMillis`: a short answer's own bound (negative: the time-out).
    WaitEnd startExchange(const QString& command, qint64 boundMillis = -1);
    WaitEnd askIdentity(const QByteArray& command, QString& text);
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
    // How long the line must stay quiet before the next command, once this
    // run lets go of it; 0 when it is in step.
    qint64 quietNeededAfterClose() const;
    void markLineHeld(qint64 quietMillis);
    // A sentence on a journal entry that ends without being carried out.
    QString endedText(int textNumber, const RepairJournal::Entry& entry) const;
    void takeLineMark();
    void discardStaleInput();
    void writeToLine(const QByteArray& bytes);
    // A short answer: bounded by the time-out from the command's sending.
    void startTimeOut(qint64 boundMillis = -1);
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
    // Opens the file to send; says so when it is missing or unreadable.
    bool openUploadFile(QFile& file);
    Outcome sendSlices(const UploadItem& item, QFile& file, bool& phoneFileStarted, const QString& entryId);
    // The journal's entry for the partial file, written before the first slice.
    QString recordPartialUpload(const UploadItem& item);
    bool recordSlice(const QString& entryId, qint64 confirmed, qint64 onTheWay);
    void forgetPartialUploads(const UploadItem& item);
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
    RepairJournal journal_;
    PhoneIdentity identity_;
    QString repairReport_;
    QString localWriteError_;
    // The bound of the exchange in progress: a time-out then asks for twice it of quiet.
    qint64 exchangeBound_ = 0;
    // The quiet the line mark in the journal asks for now.
    qint64 markedQuiet_ = -1;
    // A settle after a time-out heard nothing: the phone is not asked again in this command.
    bool phoneSilent_ = false;
    bool settlingAfterTimeOut_ = false;
    bool heardSinceTimeOut_ = false;
    // A fresh port needs quiet, not the phone's full pause after it.
    bool pauseAfterSettle_ = true;
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
