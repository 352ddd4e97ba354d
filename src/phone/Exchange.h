#pragma once

#include "BoundedWait.h"
#include "LineKeeper.h"
#include "LinkTiming.h"

#include <QByteArray>
#include <QObject>

#include <functional>

class Line;
class PhoneReport;

// One command and its answer at a time on the line: the command goes out
// once the line is in step and the phone's pause is over, its answer is
// waited for within its bound, and how it ended tells the keeper where the
// line stands now.
class Exchange : public QObject
{
    Q_OBJECT
public:
    Exchange(Line& line, PhoneReport& report, QObject* parent = nullptr);

    void setTiming(const LinkTiming& timing);
    const LinkTiming& timing() const { return timing_; }
    LineKeeper& keeper() { return keeper_; }
    const LineStand& stand() const { return keeper_.stand(); }
    Line& line() { return line_; }

    // A whole command (several exchanges) begins and ends; the observer is
    // told the link is busy meanwhile. Nests.
    void beginCommand();
    void endCommand();
    // An exchange begins (false: one runs already, or the line is closed or
    // let go) and ends; it is part of a command.
    bool begin();
    void end();
    bool isRunning() const { return running_; }

    // Waits out the previous exchange's pause, drops what is left of earlier
    // answers, writes the command and starts the time-out from its sending.
    // `boundMillis`: a short answer's own bound (negative: the time-out).
    WaitEnd send(const QString& command, qint64 boundMillis = -1);
    // Waits until `satisfied`, the time-out, a lost line or a cancel.
    WaitEnd waitUntil(std::function<bool()> satisfied);
    // An answer that grows with its content: the time-out measures the line's
    // silence, within `capMillis` from now (negative: no cap).
    void measureSilenceFor(qint64 capMillis) { wait_.measureSilenceFor(capMillis); }
    void stopTimeOut() { wait_.stopTimeOut(); }
    // Something the running wait depends on changed.
    void check() { wait_.check(); }
    void write(const QByteArray& bytes);

    // What the exchange received; bytes go to the sink instead while one is set.
    QByteArray& answer() { return answer_; }
    const QByteArray& answer() const { return answer_; }
    void setSink(std::function<void(const QByteArray&)> sink) { sink_ = std::move(sink); }

    // The answer to the command written last has wholly arrived.
    void answerEnded() { keeper_.answerEnded(); }
    // An abandoned answer still coming is read and dropped; the next exchange
    // starts once it has ended (`remaining` bytes, negative: unknown) or the
    // line has fallen silent.
    void abandonAnswer(qint64 remaining) { keeper_.abandonAnswer(remaining); }
    // The phone waits for a slice's `bytes` now; `sliceTaken` once they have left.
    void sliceOpened(qint64 bytes) { keeper_.sliceOpened(bytes); }
    void sliceTaken() { keeper_.sliceTaken(); }
    void startPause() { keeper_.startPause(); }
    qint64 lineMillis(qint64 bytes) const { return keeper_.lineMillis(bytes); }
    // For a program about to end: waits out the phone's pause, unless the line
    // is out of step (the next run settles it).
    void waitOutPause();

    // The line was opened and stands so.
    void resume(const LineStand& stand, qint64 pauseMillis);
    bool isDraining() const { return keeper_.isDraining(); }
    bool phoneSilent() const { return stand().kind == LineStand::Kind::PhoneSilent; }
    // A new command: a phone found silent may be asked again, a Stop is forgotten.
    void newCommand();

    // Ends the exchange in progress; it returns Cancelled.
    void cancel();
    // For a program that ends at once: the exchange in progress is cancelled
    // and no other starts until the line is opened again.
    void letGo();
    bool lineLetGo() const { return abandoned_; }
    void setTransferRunning(bool running) { transferRunning_ = running; }
    bool isTransferRunning() const { return transferRunning_; }
    void requestStop();
    bool stopRequested() const { return stopRequested_; }
    void forgetStop() { stopRequested_ = false; }

signals:
    void lineLost();

private:
    void takeArrived();
    void onLineLost(bool wasOpen);
    bool stopped() const { return transferRunning_ && stopRequested_; }

    Line& line_;
    PhoneReport& report_;
    LinkTiming timing_;
    BoundedWait wait_;
    LineKeeper keeper_;
    QByteArray answer_;
    std::function<void(const QByteArray&)> sink_;
    bool running_ = false;
    bool transferRunning_ = false;
    bool stopRequested_ = false;
    bool abandoned_ = false; // no exchange starts any more
    int commandDepth_ = 0;
};

// One exchange, from its admission to its end; the link's controls stay
// disabled meanwhile, and a second one is refused.
class ExchangeTurn
{
public:
    explicit ExchangeTurn(Exchange& exchange) : exchange_(exchange), admitted_(exchange.begin()) {}
    ~ExchangeTurn()
    {
        if (admitted_)
            exchange_.end();
    }
    ExchangeTurn(const ExchangeTurn&) = delete;
    ExchangeTurn& operator=(const ExchangeTurn&) = delete;

    bool admitted() const { return admitted_; }

private:
    Exchange& exchange_;
    bool admitted_;
};
