#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>

class Line;
class QEventLoop;

enum class WaitEnd
{
    Satisfied,
    TimedOut,
    LineLost,
    Cancelled,
    Stopped // the user's Stop, before a transfer's command went out
};

// The one way the link waits for the phone: a nested event loop woken only
// once the wait is over, always within a bound. A short answer is bounded
// from the command's sending; a growing one by the line's silence.
class BoundedWait : public QObject
{
    Q_OBJECT
public:
    explicit BoundedWait(Line& line, QObject* parent = nullptr);

    void setTimeOutTime(qint64 millis) { timeOutTime_ = millis; }
    // Takes what has arrived before a wait begins.
    void setBeforeWait(std::function<void()> take) { beforeWait_ = std::move(take); }
    // A short answer: bounded from now.
    void startTimeOut(qint64 boundMillis);
    // The time-out measures the line's silence, within `capMillis` from the
    // start of the wait (negative: no cap).
    void measureSilenceFor(qint64 capMillis);
    // Starts the clock afresh for a silence-measured wait of its own.
    void restartClock() { clock_.restart(); }
    // How long the line must stay silent (negative: the time-out).
    void setSilenceLimit(qint64 millis) { silenceLimit_ = millis; }
    void stopTimeOut();
    // Bytes came or left: the line is alive.
    void noteActivity() { lineActivity_.restart(); }
    qint64 silentFor() const { return lineActivity_.elapsed(); }

    WaitEnd waitUntil(std::function<bool()> satisfied);
    // Something changed: the wait ends if it is over.
    void check();
    void cancel();
    void admitAgain() { cancelled_ = false; }

private:
    void arm();
    void runEventsUntilWoken();

    Line& line_;
    QTimer timer_;
    QElapsedTimer clock_;
    QElapsedTimer lineActivity_;
    qint64 deadline_ = -1; // on clock_; -1: none
    qint64 silenceLimit_ = -1;
    qint64 timeOutTime_ = 10000;
    bool measureSilence_ = false;
    bool timedOut_ = false;
    bool cancelled_ = false;
    std::function<void()> beforeWait_;
    std::function<bool()> condition_;
    std::optional<WaitEnd> end_;
    QEventLoop* activeLoop_ = nullptr;
};
