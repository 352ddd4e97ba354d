#pragma once

#include "BoundedWait.h"
#include "LineStand.h"
#include "LinkTiming.h"
#include "SettleNotice.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class Line;
class PhoneReport;

// Knows where the line stands (one LineStand value, changed in moveTo only)
// and brings it back in step before a command: the rest of an abandoned
// answer is drained, a slice the phone still waits for is filled, a line that
// may carry an earlier answer settles. It keeps the phone's pause between
// exchanges. The rules are DESIGN.md's "The serial exchange".
class LineKeeper : public QObject
{
    Q_OBJECT
public:
    LineKeeper(Line& line, PhoneReport& report, BoundedWait& wait, const LinkTiming& timing,
               QObject* parent = nullptr);

    const LineStand& stand() const { return stand_; }

    // A command went out; its answer is bounded by `boundMillis`.
    void commandSent(qint64 boundMillis);
    void answerTimedOut();
    // The answer to the command written last has wholly arrived.
    void answerEnded();
    // An exchange that ends before its answer did leaves the line out of step.
    void answerUnfinished();
    // The rest of an answer still coming is dropped (`remaining` bytes,
    // negative: unknown, it has passed once the line has been quiet a while).
    void abandonAnswer(qint64 remaining);
    void sliceOpened(qint64 bytes);
    void sliceTaken();
    // Bytes came: what belongs to an abandoned answer is taken out of `chunk`.
    void arrived(QByteArray& chunk);
    // While the line settles, what comes belongs to no command.
    bool dropsArrivals() const { return settling_; }
    void lineLost();
    // A new command: a phone found silent may be asked again.
    void newCommand();
    void resume(const LineStand& stand, qint64 pauseMillis);

    // Before a command: drains, fills and settles as the line needs, saying
    // so in the status when it lasts.
    WaitEnd bringInStep();
    // The phone's breathing space runs from here; the next command waits for its end.
    void startPause(qint64 millis = -1);
    // Waits out the pause; `givenUp`: nothing will be sent, so it need not.
    WaitEnd pauseWait(const std::function<bool()>& givenUp);
    void stopPause() { pauseTimer_.stop(); }
    qint64 pauseLeft() const { return pauseEnd_.hasExpired() ? 0 : pauseEnd_.remainingTime(); }
    bool pauseOver() const { return pauseEnd_.hasExpired(); }

    // How long the line must stay quiet before the next command, once this
    // run lets go of it; 0 when it is in step.
    qint64 quietNeededAfterClose() const;
    // The phone may still be sending an earlier answer.
    bool isDraining() const;
    qint64 lineMillis(qint64 bytes) const;

signals:
    // How long the line must stay quiet should this run be killed now.
    void quietOwed(qint64 millis);

private:
    // However long an earlier answer may be, a line that talks beyond this is not settling.
    static constexpr qint64 kLongestSettleMillis = 5 * 60 * 1000;

    // Every change of where the line stands passes here.
    void moveTo(const LineStand& next) { stand_ = next; }
    WaitEnd drainAbandonedAnswer();
    void completeInterruptedSlice();
    WaitEnd settleLine();
    void onPauseTick();
    QString settleNoticeText() const;

    Line& line_;
    PhoneReport& report_;
    BoundedWait& wait_;
    const LinkTiming& timing_;
    LineStand stand_;
    QDeadlineTimer pauseEnd_;
    QTimer pauseTimer_;
    SettleNotice notice_;
    bool settling_ = false;
};
