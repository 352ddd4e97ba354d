#include "PhoneLink.h"

#include "DisplayName.h"
#include "ExchangeScope.h"
#include "PhoneObserver.h"
#include "PhoneTexts.h"
#include "UnsolicitedCodes.h"
#include "settings/LanguageTable.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>

#include <chrono>
#include <limits>
#include <utility>

PhoneLink::PhoneLink(const LanguageTable& texts, PhoneObserver& observer, QObject* parent)
    : QObject(parent), texts_(texts), observer_(observer)
{
    // A coarse timer may end a pause 5 % early; the phone needs all of it.
    for (QTimer* timer : {&tmrTimeout_, &tmrProcessing_, &graceTimer_}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }

    connect(&tmrTimeout_, &QTimer::timeout, this, &PhoneLink::armTimeOut);
    connect(&tmrProcessing_, &QTimer::timeout, this, &PhoneLink::onPauseTick);
    connect(&graceTimer_, &QTimer::timeout, this, &PhoneLink::checkWait);
    connect(&line_, &Line::readable, this, [this] {
        readWaiting();
        checkWait();
    });
    settleNotice_.setSingleShot(true);
    connect(&settleNotice_, &QTimer::timeout, this, &PhoneLink::showSettleNotice);
    connect(&line_, &Line::written, this, [this] {
        // Bytes leaving for the phone show the line is alive.
        lineActivity_.restart();
        checkWait();
    });
    connect(&line_, &Line::lost, this, &PhoneLink::onLineLost);
}

PhoneLink::~PhoneLink()
{
    cancel();
    ClosePort();
}

void PhoneLink::setTiming(const Timing& timing)
{
    timing_ = timing;
    // A hand-edited store may hold zero or less; such a timer would never end a wait.
    const Timing defaults;
    if (timing_.TimeOutTime <= 0)
        timing_.TimeOutTime = defaults.TimeOutTime;
    if (timing_.DelayTime <= 0)
        timing_.DelayTime = defaults.DelayTime;
    if (timing_.SliceSize <= 0)
        timing_.SliceSize = defaults.SliceSize;
    if (timing_.FinalLineGrace <= 0)
        timing_.FinalLineGrace = defaults.FinalLineGrace;
    if (timing_.AnswerSilence <= 0)
        timing_.AnswerSilence = defaults.AnswerSilence;
    if (timing_.LineSettle <= 0)
        timing_.LineSettle = defaults.LineSettle;
}

QString PhoneLink::text(int number) const
{
    return texts_.GetString(number);
}

QString PhoneLink::shownName(const QString& name) const
{
    return nameForm_ ? nameForm_(name) : withVisibleControls(name);
}

void PhoneLink::setStatus(int panel, const QString& text)
{
    if (panel == 1)
        panel1_ = text;
    if (panel == 3)
        panel3_ = text;
    observer_.statusText(panel, text);
}

bool PhoneLink::OpenPort(const QString& portLabel, const QString& device)
{
    if (exchangeRunning_)
        cancel();
    portLabel_ = portLabel;
    setStatus(1, text(PhoneTexts::Opening) + QLatin1Char(' ') + portLabel + QStringLiteral("..."));
    ClosePort();
    lineLost_ = false;
    abandoned_ = false;
    draining_ = false;
    settleQuiet_ = 0;
    answerOutstanding_ = false;
    sliceToFill_ = 0;
    device_ = device;
    if (!line_.open(device)) {
        setStatus(1, openFailureText(portLabel, device));
        return false;
    }
    identity_ = PhoneIdentity{};
    phoneSilent_ = settlingAfterTimeOut_ = false;
    takeLineMark();
    setStatus(1, text(PhoneTexts::OpenedBefore) + QLatin1Char(' ') + portLabel + QLatin1Char(' ') +
                     text(PhoneTexts::OpenedAfter) + QStringLiteral("."));
    return true;
}

QString PhoneLink::openFailureText(const QString& portLabel, const QString& device) const
{
    // Which device, why, and where to choose another: a first run without a
    // phone has nothing else to go on.
    QString failure = text(PhoneTexts::OpenFailed) + QLatin1Char(' ') + portLabel;
    if (device != portLabel)
        failure += QStringLiteral(" (") + device + QLatin1Char(')');
    failure += QStringLiteral("! ");
    switch (line_.openFailure(device)) {
    case PortOpenFailure::NoSuchDevice:
        failure += text(PhoneTexts::NoSuchDevice);
        break;
    case PortOpenFailure::NoPermission:
        failure += text(PhoneTexts::NoPermission);
        break;
    case PortOpenFailure::InUse:
        failure += text(PhoneTexts::PortInUse);
        break;
    case PortOpenFailure::Other:
        failure += line_.errorString() + QLatin1Char('.');
        break;
    }
    return failure + QLatin1Char(' ') + text(PhoneTexts::ChooseAnotherPort);
}

void PhoneLink::takeLineMark()
{
    pauseAfterSettle_ = true;
    markedQuiet_ = -1;
    const std::optional<RepairJournal::LineMark> mark = journal_.lineMark(device_);
    if (!mark) {
        // A port never seen: another program may have left it talking, but
        // no phone's pause is owed to us.
        markOutOfStep(timing_.LineSettle);
        pauseAfterSettle_ = false;
    } else if (mark->pid != 0) {
        // The run that held the line was killed or lost it: an answer may still be coming.
        markOutOfStep(qMax<qint64>(timing_.LineSettle, mark->quietMillis));
    } else {
        // An answer due when that run ended may come until its quiet is over.
        const qint64 since = qMax<qint64>(0, QDateTime::currentMSecsSinceEpoch() - mark->endedAt);
        if (mark->quietMillis > 0)
            markOutOfStep(qMax<qint64>(timing_.LineSettle, mark->quietMillis - since));
        else if (mark->pauseMillis > since) {
            pauseEnd_ =
                QDeadlineTimer(std::chrono::milliseconds(mark->pauseMillis - since), Qt::PreciseTimer);
            Processing = true;
        }
    }
    // An upload cut on this line may have left the phone waiting for the rest of its slice.
    for (const RepairJournal::Entry& entry : journal_.entries()) {
        if (entry.kind == RepairJournal::Kind::DeletePartial && entry.device == device_ && entry.sliceOpen)
            sliceToFill_ = qMax(sliceToFill_, entry.onTheWay);
    }
    markLineHeld(timing_.LineSettle);
}

void PhoneLink::markLineHeld(qint64 quietMillis)
{
    // Only changes are written: a killed run's successor needs the latest.
    if (quietMillis == markedQuiet_ || device_.isEmpty())
        return;
    RepairJournal::LineMark mark;
    mark.pid = QCoreApplication::applicationPid();
    mark.quietMillis = quietMillis;
    journal_.setLineMark(device_, mark);
    markedQuiet_ = quietMillis;
}

qint64 PhoneLink::quietNeededAfterClose() const
{
    qint64 quiet = settleQuiet_;
    if (answerOutstanding_)
        quiet = qMax(quiet, answerTimedOut_ ? 2 * exchangeBound_ : qint64(timing_.LineSettle));
    if (draining_ || sliceToFill_ > 0)
        quiet = qMax<qint64>(quiet, timing_.LineSettle);
    return quiet;
}

void PhoneLink::ClosePort()
{
    if (!line_.isOpen())
        return;
    RepairJournal::LineMark mark;
    mark.quietMillis = quietNeededAfterClose();
    mark.endedAt = QDateTime::currentMSecsSinceEpoch();
    // The phone's pause runs on after this run; the next one waits for its end.
    if (mark.quietMillis == 0 && Processing)
        mark.pauseMillis = pauseEnd_.remainingTime();
    journal_.setLineMark(device_, mark);
    markedQuiet_ = -1;
    line_.close();
}

void PhoneLink::abandonLine()
{
    stopRequested_ = true;
    abandoned_ = true;
    cancel();
}

bool PhoneLink::isOpen() const
{
    return line_.isOpen();
}

void PhoneLink::cancel()
{
    if (!exchangeRunning_)
        return;
    cancelled_ = true;
    checkWait();
}

void PhoneLink::stopTransfer()
{
    if (stopRequested_)
        return;
    stopRequested_ = true;
    if (exchangeRunning_ && !transferRunning_)
        cancel();
    else
        checkWait();
}

void PhoneLink::beginBusy()
{
    if (busyDepth_++ > 0)
        return;
    // A Stop belongs to the command it was given in; so does a phone found silent.
    stopRequested_ = false;
    phoneSilent_ = false;
    observer_.busyChanged(true);
}

void PhoneLink::endBusy()
{
    if (busyDepth_ > 0 && --busyDepth_ == 0)
        observer_.busyChanged(false);
}

void PhoneLink::onLineLost(bool wasOpen)
{
    if (wasOpen && !lineLost_) {
        lineLost_ = true;
        setStatus(1, text(PhoneTexts::LineLost) + QLatin1Char(' ') + portLabel_ + QStringLiteral("! ") +
                         text(PhoneTexts::HowToReconnect));
        observer_.lineLost();
    }
    checkWait();
}

void PhoneLink::wake()
{
    if (activeLoop_)
        activeLoop_->quit();
}

void PhoneLink::discardStaleInput()
{
    // Leftovers of an earlier answer (a late "OK", a RING) would otherwise end
    // the next exchange early.
    line_.discard();
    ReceiveBuffer.clear();
    LastChunk.clear();
}

PhoneLink::WaitEnd PhoneLink::startExchange(const QString& command, qint64 boundMillis)
{
    // A command sent again (a listing's retry) follows its own unfinished answer.
    noteUnfinishedAnswer();
    if (phoneSilent_)
        return WaitEnd::TimedOut;
    const WaitEnd inStep = bringLineInStep();
    if (inStep != WaitEnd::Satisfied)
        return inStep;
    const WaitEnd pause = pauseWait();
    if (pause != WaitEnd::Satisfied)
        return pause;
    if (transferRunning_ && stopRequested_)
        return WaitEnd::Stopped;
    discardStaleInput();
    line_.write(command.toLatin1() + "\r\n");
    answerOutstanding_ = true;
    answerTimedOut_ = false;
    startTimeOut(boundMillis);
    return WaitEnd::Satisfied;
}

void PhoneLink::markOutOfStep(qint64 quietMillis)
{
    settleQuiet_ = qMax(settleQuiet_, quietMillis);
}

void PhoneLink::noteUnfinishedAnswer()
{
    if (!answerOutstanding_)
        return;
    answerOutstanding_ = false;
    if (!answerTimedOut_) {
        markOutOfStep(timing_.LineSettle);
        return;
    }
    // A phone that was slow once may be slow again: after a time-out the line
    // must stay quiet longer than the time-out (twice: an answer late by more
    // than the time-out itself is what caused it). A run killed now leaves
    // the same need to the next one.
    markOutOfStep(qMax<qint64>(2 * exchangeBound_, timing_.LineSettle));
    settlingAfterTimeOut_ = true;
    heardSinceTimeOut_ = false;
    markLineHeld(settleQuiet_);
}

PhoneLink::WaitEnd PhoneLink::bringLineInStep()
{
    if (!draining_ && settleQuiet_ == 0 && sliceToFill_ == 0)
        return WaitEnd::Satisfied;
    const QString before = panel1_;
    settleNoticeShown_ = false;
    if (sliceToFill_ > 0 || draining_)
        settlingAfterTimeOut_ = false; // what we hear then is ours
    settleNotice_.start(kSettleNoticeMillis);
    WaitEnd end = drainAbandonedAnswer();
    if (end == WaitEnd::Satisfied && sliceToFill_ > 0)
        completeInterruptedSlice();
    if (end == WaitEnd::Satisfied)
        end = settleLine();
    settleNotice_.stop();
    if (settleNoticeShown_ && end == WaitEnd::Satisfied)
        setStatus(1, before);
    return end;
}

void PhoneLink::showSettleNotice()
{
    settleNoticeShown_ = true;
    QString notice = text(PhoneTexts::WaitingForEarlierAnswer);
    // A stopped download's rest has a known length, hence a known time.
    if (draining_ && drainRemaining_ > 0)
        notice += QStringLiteral(" (~%1 s)").arg(qMax<qint64>(1, (lineMillis(drainRemaining_) + 999) / 1000));
    setStatus(1, notice);
}

void PhoneLink::completeInterruptedSlice()
{
    // The phone may be waiting for the rest of a slice whose bytes stopped
    // coming: filling it up ends its data phase (what follows the slice's
    // length is dropped up to the next command), and the line then settles.
    const qint64 fill = sliceToFill_ + 2;
    sliceToFill_ = 0;
    line_.write(QByteArray(fill, '\0') + "\r\n");
    markOutOfStep(qMax<qint64>(timing_.LineSettle, lineMillis(fill) + timing_.LineSettle));
}

PhoneLink::WaitEnd PhoneLink::settleLine()
{
    if (settleQuiet_ <= 0 || !line_.isOpen()) {
        settleQuiet_ = 0;
        return WaitEnd::Satisfied;
    }
    // Whatever comes now belongs to no command of ours and is dropped.
    const qint64 quiet = settleQuiet_;
    // The command's own reader takes over again once the line is quiet.
    const auto commandSink = std::exchange(binarySink_, [](const QByteArray&) {});
    TimedOut = false;
    exchangeClock_.restart();
    silenceLimit_ = quiet;
    measureSilenceFor(quiet + kLongestSettleMillis);
    const WaitEnd end = waitUntil([] { return false; });
    const bool quietReached = lineActivity_.elapsed() >= quiet;
    silenceLimit_ = -1;
    tmrTimeout_.stop();
    TimedOut = false;
    binarySink_ = commandSink;
    ReceiveBuffer.clear();
    if (end != WaitEnd::TimedOut)
        return end;
    // A line that never falls quiet stays out of step; the command is not sent.
    if (!quietReached) {
        setStatus(1, text(PhoneTexts::PhoneKeepsSending));
        return WaitEnd::Cancelled;
    }
    settleQuiet_ = 0;
    const bool afterTimeOut = std::exchange(settlingAfterTimeOut_, false);
    if (markedQuiet_ > timing_.LineSettle)
        markLineHeld(timing_.LineSettle);
    // Not a byte since a time-out, however long we listened: the phone is not
    // there to answer, and a clean-up sent now would only wait in vain.
    if (afterTimeOut && !heardSinceTimeOut_) {
        phoneSilent_ = true;
        return WaitEnd::TimedOut;
    }
    // The phone's breathing space runs from the end of what it sent.
    if (std::exchange(pauseAfterSettle_, true) && timing_.DelayTime > quiet) {
        pauseEnd_ = QDeadlineTimer(std::chrono::milliseconds(timing_.DelayTime - quiet), Qt::PreciseTimer);
        Processing = true;
    }
    return WaitEnd::Satisfied;
}

void PhoneLink::startTimeOut(qint64 boundMillis)
{
    TimedOut = false;
    measureSilence_ = false;
    exchangeClock_.restart();
    deadline_ = exchangeBound_ =
        boundMillis > 0 ? qMin<qint64>(boundMillis, timing_.TimeOutTime) : timing_.TimeOutTime;
    armTimeOut();
}

void PhoneLink::measureSilenceFor(qint64 capMillis)
{
    measureSilence_ = true;
    lineActivity_.restart();
    deadline_ = capMillis < 0 ? -1 : exchangeClock_.elapsed() + capMillis;
    armTimeOut();
}

void PhoneLink::armTimeOut()
{
    // Activity only notes the time, and the tick works out what is left:
    // restarting a timer for every few bytes would cost more than the bytes.
    qint64 left = deadline_ < 0 ? std::numeric_limits<qint64>::max() : deadline_ - exchangeClock_.elapsed();
    if (measureSilence_)
        left =
            qMin(left, (silenceLimit_ < 0 ? timing_.TimeOutTime : silenceLimit_) - lineActivity_.elapsed());
    if (left > 0) {
        tmrTimeout_.start(static_cast<int>(qMin<qint64>(left, std::numeric_limits<int>::max())));
        return;
    }
    tmrTimeout_.stop();
    TimedOut = true;
    checkWait();
}

qint64 PhoneLink::lineMillis(qint64 bytes) const
{
    // Ten bits a byte on an 8N1 line.
    const qint64 baud = line_.baudRate() > 0 ? line_.baudRate() : 115200;
    return bytes * 10 * 1000 / baud;
}

void PhoneLink::startPause()
{
    // The phone's breathing space runs from here; the next command waits for its end.
    pauseEnd_ = QDeadlineTimer(std::chrono::milliseconds(timing_.DelayTime), Qt::PreciseTimer);
    Processing = true;
}

PhoneLink::WaitEnd PhoneLink::pauseWait()
{
    if (!Processing)
        return WaitEnd::Satisfied;
    tmrTimeout_.stop();
    TimedOut = false;
    onPauseTick();
    // A stopped transfer sends nothing more, so it need not wait for the phone.
    const WaitEnd end = waitUntil([this] { return !Processing || (transferRunning_ && stopRequested_); });
    tmrProcessing_.stop();
    return end;
}

void PhoneLink::onPauseTick()
{
    const qint64 left = pauseEnd_.remainingTimeNSecs();
    if (left > 0) {
        // Rounded up: a pause is never shorter than asked.
        tmrProcessing_.start(static_cast<int>((left + 999'999) / 1'000'000));
        return;
    }
    Processing = false;
    checkWait();
}

void PhoneLink::waitOutPause()
{
    // A line out of step is the next run's to settle (it finds no note that
    // this one left it in step); only the phone's pause is waited out here.
    if (exchangeRunning_ || !line_.isOpen() || !Processing || isDraining() || sliceToFill_ > 0)
        return;
    exchangeRunning_ = true;
    cancelled_ = false;
    pauseWait();
    exchangeRunning_ = false;
}

void PhoneLink::readWaiting()
{
    LastChunk = line_.read();
    heardSinceTimeOut_ = heardSinceTimeOut_ || !LastChunk.isEmpty();
    if (draining_)
        dropAbandonedBytes(LastChunk);
    if (LastChunk.isEmpty() || !exchangeRunning_)
        return;
    // A long answer that keeps arriving is not cut off; a phone announcing
    // calls or messages is not answering.
    if (!holdsOnlyUnsolicitedCodes(LastChunk))
        lineActivity_.restart();
    if (binarySink_)
        binarySink_(LastChunk);
    else
        ReceiveBuffer += LastChunk;
}

void PhoneLink::checkWait()
{
    if (!waitCondition_ || waitEnd_)
        return;
    if (cancelled_)
        waitEnd_ = WaitEnd::Cancelled;
    else if (waitCondition_())
        waitEnd_ = WaitEnd::Satisfied;
    else if (!line_.isOpen())
        waitEnd_ = WaitEnd::LineLost;
    else if (TimedOut)
        waitEnd_ = WaitEnd::TimedOut;
    else
        return;
    wake();
}

void PhoneLink::runEventsUntilWoken()
{
    QEventLoop loop;
    QEventLoop* outer = activeLoop_;
    activeLoop_ = &loop;
    loop.exec();
    activeLoop_ = outer;
}

PhoneLink::WaitEnd PhoneLink::waitUntil(std::function<bool()> satisfied)
{
    waitCondition_ = std::move(satisfied);
    waitEnd_.reset();
    readWaiting();
    checkWait();
    // The loop runs once: the handlers wake it only when the wait is over.
    while (!waitEnd_)
        runEventsUntilWoken();
    const WaitEnd end = *waitEnd_;
    if (end == WaitEnd::TimedOut && answerOutstanding_)
        answerTimedOut_ = true;
    waitCondition_ = nullptr;
    waitEnd_.reset();
    return end;
}

void PhoneLink::abandonAnswer(qint64 remaining)
{
    answerOutstanding_ = false;
    startPause();
    // Of unknown length, it has passed once the line has been quiet a while.
    if (remaining < 0) {
        markOutOfStep(timing_.LineSettle);
        return;
    }
    draining_ = remaining > 0;
    drainRemaining_ = remaining;
}

void PhoneLink::dropAbandonedBytes(QByteArray& chunk)
{
    if (chunk.isEmpty())
        return;
    lineActivity_.restart();
    if (drainRemaining_ < 0) {
        chunk.clear();
        return;
    }
    const qint64 taken = qMin<qint64>(drainRemaining_, chunk.size());
    drainRemaining_ -= taken;
    chunk.remove(0, taken);
    if (drainRemaining_ == 0) {
        draining_ = false;
        // The phone's pause runs from the end of its answer.
        startPause();
    }
}

PhoneLink::WaitEnd PhoneLink::drainAbandonedAnswer()
{
    if (!draining_ || !line_.isOpen()) {
        draining_ = false;
        return WaitEnd::Satisfied;
    }
    // The phone sends the rest of a file it was asked for; its bytes must not
    // be taken for the next answer. It ends by its length or by silence.
    TimedOut = false;
    exchangeClock_.restart();
    silenceLimit_ = timing_.AnswerSilence;
    measureSilenceFor(timing_.TimeOutTime + 2 * lineMillis(qMax<qint64>(drainRemaining_, 0)));
    const WaitEnd end = waitUntil([this] { return !draining_; });
    silenceLimit_ = -1;
    tmrTimeout_.stop();
    TimedOut = false;
    if (end == WaitEnd::Cancelled || end == WaitEnd::LineLost)
        return end;
    if (draining_) {
        draining_ = false;
        startPause();
    }
    return WaitEnd::Satisfied;
}

void PhoneLink::reportProgress(qint64 done, qint64 total)
{
    // The percentage first: an observer showing both reads it with the bytes.
    if (total >= 0) {
        // Whole percent, rounded down: 100 only once every byte is there.
        const qint64 percent = total > 0 ? done * 100 / total : 100;
        const QString shown = QString::number(percent) + QLatin1Char('%');
        if (shown != panel3_ || (done == 0 && total > 0))
            setStatus(3, shown);
    }
    observer_.transferProgress(done, total);
}
