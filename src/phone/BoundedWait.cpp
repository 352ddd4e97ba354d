#include "BoundedWait.h"

#include "Line.h"

#include <QEventLoop>

#include <limits>

BoundedWait::BoundedWait(Line& line, QObject* parent) : QObject(parent), line_(line)
{
    timer_.setSingleShot(true);
    // A coarse timer may end a wait 5 % early.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &BoundedWait::arm);
    connect(&line_, &Line::written, this, [this] {
        noteActivity();
        check();
    });
}

void BoundedWait::startTimeOut(qint64 boundMillis)
{
    timedOut_ = false;
    measureSilence_ = false;
    clock_.restart();
    deadline_ = boundMillis;
    arm();
}

void BoundedWait::measureSilenceFor(qint64 capMillis)
{
    measureSilence_ = true;
    lineActivity_.restart();
    deadline_ = capMillis < 0 ? -1 : clock_.elapsed() + capMillis;
    arm();
}

void BoundedWait::stopTimeOut()
{
    timer_.stop();
    timedOut_ = false;
    silenceLimit_ = -1;
}

void BoundedWait::arm()
{
    // Activity only notes the time, and the tick works out what is left:
    // restarting a timer for every few bytes would cost more than the bytes.
    qint64 left = deadline_ < 0 ? std::numeric_limits<qint64>::max() : deadline_ - clock_.elapsed();
    if (measureSilence_)
        left = qMin(left, (silenceLimit_ < 0 ? timeOutTime_ : silenceLimit_) - lineActivity_.elapsed());
    if (left > 0) {
        timer_.start(static_cast<int>(qMin<qint64>(left, std::numeric_limits<int>::max())));
        return;
    }
    timer_.stop();
    timedOut_ = true;
    check();
}

void BoundedWait::check()
{
    if (!condition_ || end_)
        return;
    if (cancelled_)
        end_ = WaitEnd::Cancelled;
    else if (condition_())
        end_ = WaitEnd::Satisfied;
    else if (!line_.isOpen())
        end_ = WaitEnd::LineLost;
    else if (timedOut_)
        end_ = WaitEnd::TimedOut;
    else
        return;
    if (activeLoop_)
        activeLoop_->quit();
}

void BoundedWait::cancel()
{
    cancelled_ = true;
    check();
}

void BoundedWait::runEventsUntilWoken()
{
    QEventLoop loop;
    QEventLoop* outer = activeLoop_;
    activeLoop_ = &loop;
    loop.exec();
    activeLoop_ = outer;
}

WaitEnd BoundedWait::waitUntil(std::function<bool()> satisfied)
{
    if (beforeWait_)
        beforeWait_();
    condition_ = std::move(satisfied);
    end_.reset();
    check();
    // The loop runs once: the handlers wake it only when the wait is over.
    while (!end_)
        runEventsUntilWoken();
    const WaitEnd end = *end_;
    condition_ = nullptr;
    end_.reset();
    return end;
}
