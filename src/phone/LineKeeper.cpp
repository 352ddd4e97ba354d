#include "LineKeeper.h"

#include "Line.h"
#include "PhoneReport.h"
#include "PhoneTexts.h"

#include <chrono>

using Kind = LineStand::Kind;

LineKeeper::LineKeeper(Line& line, PhoneReport& report, BoundedWait& wait, const LinkTiming& timing,
                       QObject* parent)
    : QObject(parent), line_(line), report_(report), wait_(wait), timing_(timing), notice_(report)
{
    // A coarse timer may end a pause 5 % early; the phone needs all of it.
    pauseTimer_.setSingleShot(true);
    pauseTimer_.setTimerType(Qt::PreciseTimer);
    connect(&pauseTimer_, &QTimer::timeout, this, &LineKeeper::onPauseTick);
}

void LineKeeper::commandSent(qint64 boundMillis)
{
    LineStand due;
    due.kind = Kind::AnswerDue;
    due.bound = boundMillis;
    moveTo(due);
}

void LineKeeper::answerTimedOut()
{
    if (stand_.kind != Kind::AnswerDue)
        return;
    LineStand late = stand_;
    late.timedOut = true;
    moveTo(late);
}

void LineKeeper::answerEnded()
{
    if (stand_.kind != Kind::AnswerDue)
        return;
    LineStand next;
    // Bytes of a slice still leaving: the phone may wait for them.
    if (stand_.slice > 0) {
        next.kind = Kind::SliceOpen;
        next.slice = stand_.slice;
    }
    moveTo(next);
}

void LineKeeper::answerUnfinished()
{
    if (stand_.kind != Kind::AnswerDue)
        return;
    const bool timedOut = stand_.timedOut;
    LineStand next;
    next.kind = stand_.slice > 0 ? Kind::SliceOpen : Kind::Settling;
    next.slice = stand_.slice;
    next.quiet = timing_.LineSettle;
    if (timedOut) {
        // A phone that was slow once may be slow again: after a time-out the
        // line must stay quiet longer than the time-out (twice: an answer late
        // by more than the time-out itself is what caused it). Once a slice
        // is filled, what is heard is ours.
        next.quiet = qMax<qint64>(2 * stand_.bound, timing_.LineSettle);
        next.timedOut = next.kind == Kind::Settling;
    }
    moveTo(next);
    // A run killed now leaves the same need to the next one.
    if (timedOut)
        emit quietOwed(next.quiet);
}

void LineKeeper::abandonAnswer(qint64 remaining)
{
    startPause();
    LineStand next;
    if (remaining < 0) {
        next.kind = Kind::Settling;
        next.quiet = timing_.LineSettle;
    } else if (remaining > 0) {
        next.kind = Kind::Draining;
        next.remaining = remaining;
    }
    moveTo(next);
}

void LineKeeper::sliceOpened(qint64 bytes)
{
    if (stand_.kind != Kind::AnswerDue)
        return;
    LineStand next = stand_;
    next.slice = bytes;
    moveTo(next);
}

void LineKeeper::sliceTaken()
{
    if (stand_.kind != Kind::AnswerDue)
        return;
    LineStand next = stand_;
    next.slice = 0;
    moveTo(next);
}

void LineKeeper::arrived(QByteArray& chunk)
{
    if (chunk.isEmpty())
        return;
    if (stand_.kind == Kind::Settling && stand_.timedOut && !stand_.heard) {
        LineStand heard = stand_;
        heard.heard = true;
        moveTo(heard);
    }
    if (stand_.kind != Kind::Draining)
        return;
    wait_.noteActivity();
    const qint64 taken = qMin<qint64>(stand_.remaining, chunk.size());
    chunk.remove(0, taken);
    LineStand next = stand_;
    next.remaining -= taken;
    if (next.remaining > 0) {
        moveTo(next);
        return;
    }
    moveTo(LineStand{});
    // The phone's pause runs from the end of its answer.
    startPause();
}

void LineKeeper::lineLost()
{
    if (stand_.kind == Kind::Lost)
        return;
    LineStand lost;
    lost.kind = Kind::Lost;
    // What the line would have needed, for a window asking whether it may end at once.
    lost.quiet = quietNeededAfterClose();
    moveTo(lost);
}

void LineKeeper::newCommand()
{
    if (stand_.kind == Kind::PhoneSilent)
        moveTo(LineStand{});
}

void LineKeeper::resume(const LineStand& stand, qint64 pauseMillis)
{
    moveTo(stand);
    if (pauseMillis > 0)
        startPause(pauseMillis);
}

WaitEnd LineKeeper::bringInStep()
{
    if (stand_.kind != Kind::Draining && stand_.kind != Kind::SliceOpen && stand_.kind != Kind::Settling)
        return WaitEnd::Satisfied;
    notice_.start([this] { return settleNoticeText(); });
    WaitEnd end = drainAbandonedAnswer();
    if (end == WaitEnd::Satisfied && stand_.kind == Kind::SliceOpen)
        completeInterruptedSlice();
    if (end == WaitEnd::Satisfied)
        end = settleLine();
    notice_.end(end == WaitEnd::Satisfied);
    return end;
}

QString LineKeeper::settleNoticeText() const
{
    QString notice = report_.text(PhoneTexts::WaitingForEarlierAnswer);
    // A stopped download's rest has a known length, hence a known time.
    if (stand_.kind == Kind::Draining && stand_.remaining > 0)
        notice +=
            QStringLiteral(" (~%1 s)").arg(qMax<qint64>(1, (lineMillis(stand_.remaining) + 999) / 1000));
    return notice;
}

WaitEnd LineKeeper::drainAbandonedAnswer()
{
    if (stand_.kind != Kind::Draining)
        return WaitEnd::Satisfied;
    if (!line_.isOpen()) {
        moveTo(LineStand{});
        return WaitEnd::Satisfied;
    }
    // The phone sends the rest of a file it was asked for; its bytes must not
    // be taken for the next answer. It ends by its length or by silence.
    wait_.stopTimeOut();
    wait_.restartClock();
    wait_.setSilenceLimit(timing_.AnswerSilence);
    wait_.measureSilenceFor(timing_.TimeOutTime + 2 * lineMillis(stand_.remaining));
    const WaitEnd end = wait_.waitUntil([this] { return stand_.kind != Kind::Draining; });
    wait_.stopTimeOut();
    if (end == WaitEnd::Cancelled || end == WaitEnd::LineLost)
        return end;
    if (stand_.kind == Kind::Draining) {
        moveTo(LineStand{});
        startPause();
    }
    return WaitEnd::Satisfied;
}

void LineKeeper::completeInterruptedSlice()
{
    // The phone may be waiting for the rest of a slice whose bytes stopped
    // coming: filling it up ends its data phase (what follows the slice's
    // length is dropped up to the next command), and the line then settles.
    const qint64 fill = stand_.slice + 2;
    LineStand next;
    next.kind = Kind::Settling;
    next.pauseAfter = stand_.pauseAfter;
    next.quiet = qMax(stand_.quiet, qMax<qint64>(timing_.LineSettle, lineMillis(fill) + timing_.LineSettle));
    moveTo(next);
    line_.write(QByteArray(fill, '\0') + "\r\n");
}

WaitEnd LineKeeper::settleLine()
{
    if (stand_.kind != Kind::Settling || stand_.quiet <= 0 || !line_.isOpen()) {
        if (stand_.kind == Kind::Settling)
            moveTo(LineStand{});
        return WaitEnd::Satisfied;
    }
    const qint64 quiet = stand_.quiet;
    // Whatever comes now belongs to no command of ours and is dropped.
    settling_ = true;
    wait_.stopTimeOut();
    wait_.restartClock();
    wait_.setSilenceLimit(quiet);
    wait_.measureSilenceFor(quiet + kLongestSettleMillis);
    const WaitEnd end = wait_.waitUntil([] { return false; });
    const bool quietReached = wait_.silentFor() >= quiet;
    wait_.stopTimeOut();
    settling_ = false;
    if (end != WaitEnd::TimedOut)
        return end;
    // A line that never falls quiet stays out of step; the command is not sent.
    if (!quietReached) {
        report_.setStatus(1, report_.text(PhoneTexts::PhoneKeepsSending));
        return WaitEnd::Cancelled;
    }
    const LineStand settled = stand_;
    LineStand next;
    // Not a byte since a time-out, however long we listened: the phone is not
    // there to answer, and a clean-up sent now would only wait in vain.
    if (settled.timedOut && !settled.heard)
        next.kind = Kind::PhoneSilent;
    moveTo(next);
    emit quietOwed(timing_.LineSettle);
    if (next.kind == Kind::PhoneSilent)
        return WaitEnd::TimedOut;
    // The phone's breathing space runs from the end of what it sent.
    if (settled.pauseAfter && timing_.DelayTime > quiet)
        startPause(timing_.DelayTime - quiet);
    return WaitEnd::Satisfied;
}

void LineKeeper::startPause(qint64 millis)
{
    pauseEnd_ =
        QDeadlineTimer(std::chrono::milliseconds(millis < 0 ? timing_.DelayTime : millis), Qt::PreciseTimer);
}

WaitEnd LineKeeper::pauseWait(const std::function<bool()>& givenUp)
{
    if (pauseEnd_.hasExpired())
        return WaitEnd::Satisfied;
    wait_.stopTimeOut();
    onPauseTick();
    const WaitEnd end = wait_.waitUntil([&] { return pauseEnd_.hasExpired() || givenUp(); });
    pauseTimer_.stop();
    return end;
}

void LineKeeper::onPauseTick()
{
    const qint64 left = pauseEnd_.remainingTimeNSecs();
    if (left > 0) {
        // Rounded up: a pause is never shorter than asked.
        pauseTimer_.start(static_cast<int>((left + 999'999) / 1'000'000));
        return;
    }
    wait_.check();
}

qint64 LineKeeper::quietNeededAfterClose() const
{
    switch (stand_.kind) {
    case Kind::InStep:
    case Kind::PhoneSilent:
        return 0;
    case Kind::AnswerDue:
        return qMax<qint64>(stand_.timedOut ? 2 * stand_.bound : timing_.LineSettle,
                            stand_.slice > 0 ? timing_.LineSettle : 0);
    case Kind::Draining:
        return timing_.LineSettle;
    case Kind::SliceOpen:
        return qMax<qint64>(stand_.quiet, timing_.LineSettle);
    case Kind::Settling:
    case Kind::Lost:
        return stand_.quiet;
    }
    return 0;
}

bool LineKeeper::isDraining() const
{
    return stand_.kind == Kind::Draining ||
           (stand_.quiet > 0 &&
            (stand_.kind == Kind::Settling || stand_.kind == Kind::SliceOpen || stand_.kind == Kind::Lost));
}

qint64 LineKeeper::lineMillis(qint64 bytes) const
{
    // Ten bits a byte on an 8N1 line.
    const qint64 baud = line_.baudRate() > 0 ? line_.baudRate() : 115200;
    return bytes * 10 * 1000 / baud;
}
