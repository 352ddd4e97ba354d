#include "LineMarks.h"

#include "RepairJournal.h"

#include <QCoreApplication>
#include <QDateTime>

namespace {

// An upload cut on this line may have left the phone waiting for the rest of its slice.
qint64 sliceLeftOpen(const RepairJournal& journal, const QString& device)
{
    qint64 slice = 0;
    for (const RepairJournal::Entry& entry : journal.entries()) {
        if (entry.kind == RepairJournal::Kind::DeletePartial && entry.device == device && entry.sliceOpen)
            slice = qMax(slice, entry.onTheWay);
    }
    return slice;
}

} // namespace

LineStand LineMarks::take(const QString& device, qint64 lineSettle, qint64& pauseMillis)
{
    device_ = device;
    marked_ = -1;
    pauseMillis = 0;
    LineStand stand;
    const std::optional<RepairJournal::LineMark> mark = journal_.lineMark(device);
    if (!mark) {
        // A port never seen: another program may have left it talking, but
        // no phone's pause is owed to us.
        stand.quiet = lineSettle;
        stand.pauseAfter = false;
    } else if (mark->pid != 0) {
        // The run that held the line was killed or lost it: an answer may still be coming.
        stand.quiet = qMax(lineSettle, mark->quietMillis);
    } else {
        // An answer due when that run ended may come until its quiet is over.
        const qint64 since = qMax<qint64>(0, QDateTime::currentMSecsSinceEpoch() - mark->endedAt);
        if (mark->quietMillis > 0)
            stand.quiet = qMax(lineSettle, mark->quietMillis - since);
        else if (mark->pauseMillis > since)
            pauseMillis = mark->pauseMillis - since;
    }
    stand.slice = sliceLeftOpen(journal_, device);
    if (stand.slice > 0)
        stand.kind = LineStand::Kind::SliceOpen;
    else if (stand.quiet > 0)
        stand.kind = LineStand::Kind::Settling;
    hold(lineSettle);
    return stand;
}

void LineMarks::hold(qint64 quietMillis)
{
    // Only changes are written: a killed run's successor needs the latest.
    if (quietMillis == marked_ || device_.isEmpty())
        return;
    RepairJournal::LineMark mark;
    mark.pid = QCoreApplication::applicationPid();
    mark.quietMillis = quietMillis;
    journal_.setLineMark(device_, mark);
    marked_ = quietMillis;
}

void LineMarks::release(qint64 quietMillis, qint64 pauseMillis)
{
    RepairJournal::LineMark mark;
    mark.quietMillis = quietMillis;
    mark.endedAt = QDateTime::currentMSecsSinceEpoch();
    // The phone's pause runs on after this run; the next one waits for its end.
    if (quietMillis == 0)
        mark.pauseMillis = pauseMillis;
    journal_.setLineMark(device_, mark);
    marked_ = -1;
}
