#include "Exchange.h"

#include "Line.h"
#include "PhoneObserver.h"
#include "PhoneReport.h"
#include "UnsolicitedCodes.h"

using Kind = LineStand::Kind;

Exchange::Exchange(Line& line, PhoneReport& report, QObject* parent)
    : QObject(parent), line_(line), report_(report), wait_(line), keeper_(line, report, wait_, timing_)
{
    wait_.setBeforeWait([this] { takeArrived(); });
    connect(&line_, &Line::readable, this, [this] {
        takeArrived();
        wait_.check();
    });
    connect(&line_, &Line::lost, this, &Exchange::onLineLost);
}

void Exchange::setTiming(const LinkTiming& timing)
{
    timing_ = timing;
    wait_.setTimeOutTime(timing_.TimeOutTime);
}

bool Exchange::begin()
{
    if (running_ || !line_.isOpen() || abandoned_)
        return false;
    running_ = true;
    wait_.admitAgain();
    beginCommand();
    return true;
}

void Exchange::end()
{
    keeper_.answerUnfinished();
    wait_.stopTimeOut();
    keeper_.stopPause();
    sink_ = nullptr;
    line_.stopBatching();
    running_ = false;
    endCommand();
}

void Exchange::beginCommand()
{
    if (commandDepth_++ > 0)
        return;
    // A Stop belongs to the command it was given in; so does a phone found silent.
    newCommand();
    report_.observer().busyChanged(true);
}

void Exchange::endCommand()
{
    if (commandDepth_ > 0 && --commandDepth_ == 0)
        report_.observer().busyChanged(false);
}

void Exchange::newCommand()
{
    stopRequested_ = false;
    keeper_.newCommand();
}

void Exchange::cancel()
{
    if (!running_)
        return;
    wait_.cancel();
}

void Exchange::letGo()
{
    stopRequested_ = true;
    abandoned_ = true;
    cancel();
}

void Exchange::requestStop()
{
    if (stopRequested_)
        return;
    stopRequested_ = true;
    if (running_ && !transferRunning_)
        cancel();
    else
        wait_.check();
}

void Exchange::write(const QByteArray& bytes)
{
    line_.write(bytes);
}

WaitEnd Exchange::send(const QString& command, qint64 boundMillis)
{
    // A command sent again (a listing's retry) follows its own unfinished answer.
    keeper_.answerUnfinished();
    if (stand().kind == Kind::PhoneSilent)
        return WaitEnd::TimedOut;
    if (stand().kind == Kind::Lost)
        return WaitEnd::LineLost;
    const WaitEnd inStep = keeper_.bringInStep();
    if (inStep != WaitEnd::Satisfied)
        return inStep;
    // A stopped transfer sends nothing more, so it need not wait for the phone.
    const WaitEnd pause = keeper_.pauseWait([this] { return stopped(); });
    if (pause != WaitEnd::Satisfied)
        return pause;
    if (stopped())
        return WaitEnd::Stopped;
    // Leftovers of an earlier answer (a late "OK", a RING) would otherwise end
    // the next exchange early.
    line_.discard();
    answer_.clear();
    write(command.toLatin1() + "\r\n");
    const qint64 bound =
        boundMillis > 0 ? qMin<qint64>(boundMillis, timing_.TimeOutTime) : timing_.TimeOutTime;
    keeper_.commandSent(bound);
    wait_.startTimeOut(bound);
    return WaitEnd::Satisfied;
}

WaitEnd Exchange::waitUntil(std::function<bool()> satisfied)
{
    const WaitEnd end = wait_.waitUntil(std::move(satisfied));
    if (end == WaitEnd::TimedOut)
        keeper_.answerTimedOut();
    return end;
}

void Exchange::waitOutPause()
{
    // A line out of step is the next run's to settle (it finds no note that
    // this one left it in step); only the phone's pause is waited out here.
    const bool inStep = stand().kind == Kind::InStep || stand().kind == Kind::PhoneSilent;
    if (running_ || !line_.isOpen() || keeper_.pauseOver() || !inStep)
        return;
    running_ = true;
    wait_.admitAgain();
    keeper_.pauseWait([] { return false; });
    running_ = false;
}

void Exchange::resume(const LineStand& stand, qint64 pauseMillis)
{
    abandoned_ = false;
    keeper_.resume(stand, pauseMillis);
}

void Exchange::takeArrived()
{
    QByteArray chunk = line_.read();
    keeper_.arrived(chunk);
    if (chunk.isEmpty() || !running_)
        return;
    // A long answer that keeps arriving is not cut off; a phone announcing
    // calls or messages is not answering.
    if (!holdsOnlyUnsolicitedCodes(chunk))
        wait_.noteActivity();
    if (keeper_.dropsArrivals())
        return;
    if (sink_)
        sink_(chunk);
    else
        answer_ += chunk;
}

void Exchange::onLineLost(bool wasOpen)
{
    if (wasOpen && stand().kind != Kind::Lost) {
        keeper_.lineLost();
        emit lineLost();
    }
    wait_.check();
}
