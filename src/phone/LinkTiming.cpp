#include "LinkTiming.h"

LinkTiming LinkTiming::sane() const
{
    LinkTiming timing = *this;
    const LinkTiming defaults;
    for (auto field : {&LinkTiming::TimeOutTime, &LinkTiming::DelayTime, &LinkTiming::SliceSize,
                       &LinkTiming::FinalLineGrace, &LinkTiming::AnswerSilence, &LinkTiming::LineSettle}) {
        if (timing.*field <= 0)
            timing.*field = defaults.*field;
    }
    return timing;
}
