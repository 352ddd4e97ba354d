#pragma once

#include "settings/Settings.h"

// The times and sizes the exchange with the phone keeps to.
struct LinkTiming
{
    int TimeOutTime = 10000;
    int DelayTime = 1500;
    int SliceSize = 10240;
    // How long a listing waits for the line end after its final "OK".
    int FinalLineGrace = 500;
    // How long the line must stay silent before the rest of an abandoned
    // download counts as passed.
    int AnswerSilence = 500;
    // How long the line must stay quiet before a command may follow an
    // answer that ended early, or the first command of a run that may
    // follow a killed one.
    int LineSettle = 500;

    static LinkTiming from(const Settings& settings)
    {
        LinkTiming timing;
        timing.TimeOutTime = settings.TimeOutTime;
        timing.DelayTime = settings.DelayTime;
        timing.SliceSize = settings.SliceSize;
        return timing;
    }
    // A hand-edited store may hold zero or less; such a timer would never end a wait.
    LinkTiming sane() const;
};
