#pragma once

#include "PhoneIdentity.h"
#include "SerialLine.h"
#include "platform/PortNames.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

class LanguageTable;
class RepairJournal;

// What asking one port found.
struct PortFinding
{
    enum class State
    {
        Phone,        // answered AT with OK; `identity` holds what it said of itself
        Silent,       // opened, but nothing answered AT within the bound
        Refused,      // answered AT with ERROR: something, but not a phone of ours
        InUse,        // another program holds it (its lock file, or the driver's exclusive use)
        NoPermission, // this user may not open it
        Missing,      // no such device, or no serial port behind it
        Failed        // any other reason; `error` has the system's words
    };

    QString device;
    QString description; // what the driver says of it; empty when not detected
    State state = State::Silent;
    PhoneIdentity identity;     // Phone: model, firmware, serial (each empty where it answered ERROR)
    bool connectedHere = false; // the port this program holds already: not asked, its identity as known
    QString error;

    bool answered() const { return state == State::Phone; }
};

// How a finding reads for the user: "ST60, firmware 21, serial number …0123",
// "does not answer", "in use by another program", ...
QString describeFinding(const PortFinding& finding, const LanguageTable& texts);
// The state as a fixed word for scripts: phone, silent, refused, busy, denied, missing, failed.
QString stateKeyword(PortFinding::State state);

// Asks serial ports, one after the other, whether a phone hangs on them: AT
// under a short bound, then AT+CGMM, AT+CGMR and AT+CGSN for one that answers
// OK. It runs in the background of the event loop (no nested loop, no
// blocking wait), reports each port as it is done and can be cancelled at
// any time. A port whose answer it stopped waiting for is noted in the repair
// journal, so the link's next open lets a late answer pass before its first
// command; a port an earlier run left talking is given its quiet first.
class PortSurvey : public QObject
{
    Q_OBJECT
public:
    explicit PortSurvey(QObject* parent = nullptr);
    ~PortSurvey() override;

    // The link's journal, for how lines were left (none: nothing noted).
    void setJournal(RepairJournal* journal) { journal_ = journal; }
    // The port the link holds now: reported with its identity instead of being opened.
    void setConnected(const QString& device, const PhoneIdentity& identity);
    // How long each command may wait for its answer.
    void setAnswerBound(int millis) { answerBound_ = qMax(1, millis); }
    int answerBound() const { return answerBound_; }

    // Starts asking; an earlier survey still running is cancelled first (its finished(true) comes).
    void start(const QList<PortCandidate>& candidates);
    // Stops at once: the port being asked is closed, no other is opened;
    // finished(true) follows before this returns.
    void cancel();
    bool isRunning() const { return running_; }
    const QList<PortFinding>& findings() const { return findings_; }

    static constexpr int kAnswerBoundMillis = 1000;
    // However long an earlier run asked the line to stay quiet, a survey waits at most this.
    static constexpr int kLongestSettleMillis = 3000;

signals:
    // Port `index` (from 0) of `count` is being asked now.
    void progress(int index, int count, const QString& device);
    // One port is done, whatever it found.
    void portSurveyed(const PortFinding& finding);
    // One port answered as a phone.
    void portAnswered(const PortFinding& finding);
    // All ports are done, or the survey was cancelled.
    void finished(bool cancelled);

private:
    enum class Step
    {
        Idle,
        Settling,
        Asking
    };

    void askNext();
    void settle(qint64 quietMillis);
    void sendCommand();
    void onReadable();
    void onAnswerComplete();
    void onBoundPassed();
    void onSettled();
    void onLineLost();
    void finishPort(bool answerDue);
    void noteAnswerDue();
    qint64 owedQuiet(const QString& device) const;

    SerialLine line_;
    QTimer nextPort_;
    QTimer bound_;
    QTimer settleCap_;
    RepairJournal* journal_ = nullptr;
    QString connectedDevice_;
    PhoneIdentity connectedIdentity_;
    int answerBound_ = kAnswerBoundMillis;

    QList<PortCandidate> candidates_;
    QList<PortFinding> findings_;
    qsizetype index_ = 0;
    PortFinding current_;
    Step step_ = Step::Idle;
    qsizetype command_ = 0;
    QByteArray answer_;
    bool running_ = false;
};
