#pragma once

#include <QtGlobal>

// Where the line between the program and the phone stands, with what that
// state needs to know. One value, changed only by the exchange.
struct LineStand
{
    enum class Kind
    {
        InStep,      // the next command may go out once the phone's pause is over
        AnswerDue,   // a command went out; its answer has not wholly arrived
        Draining,    // the rest of an abandoned answer is still coming and is dropped
        SliceOpen,   // the phone may still wait for the rest of a slice
        Settling,    // the line may carry an earlier answer: it must stay quiet a while
        PhoneSilent, // a settle after a time-out heard nothing: not asked again in this command
        Lost         // the line went away
    };

    Kind kind = Kind::InStep;
    // Settling, SliceOpen (after the fill), Lost: how long the line must stay quiet.
    qint64 quiet = 0;
    // AnswerDue, SliceOpen: the bytes of a slice the phone may still wait for.
    qint64 slice = 0;
    // Draining: the bytes still to come.
    qint64 remaining = 0;
    // AnswerDue: the bound of its wait; a time-out asks for twice it of quiet.
    qint64 bound = 0;
    // AnswerDue: its wait ended by the time-out. Settling: it follows one.
    bool timedOut = false;
    // Settling after a time-out: a byte has come since.
    bool heard = false;
    // Settling, SliceOpen: the phone's pause follows the settle (not after a fresh port).
    bool pauseAfter = true;
};
