#pragma once

#include "LineStand.h"

#include <QString>

class RepairJournal;

// How this run holds the line, noted in the journal: a run killed now tells
// the next one how long the line must stay quiet; one that ends tells it the
// rest of the phone's pause.
class LineMarks
{
public:
    explicit LineMarks(RepairJournal& journal) : journal_(journal) {}

    // Where the line on `device` stands as this run takes it, by what the
    // last run noted; `pauseMillis`: the phone's pause still to run.
    LineStand take(const QString& device, qint64 lineSettle, qint64& pauseMillis);
    // Should this run be killed now, the line must stay quiet this long.
    void hold(qint64 quietMillis);
    // This run lets go of the line, which must stay quiet this long (0: in
    // step, after the rest of the phone's pause).
    void release(qint64 quietMillis, qint64 pauseMillis);

private:
    RepairJournal& journal_;
    QString device_;
    // The quiet the mark in the journal asks for now.
    qint64 marked_ = -1;
};
