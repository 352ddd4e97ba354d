#pragma once

#include <map>
#include <string>

// A misbehaviour chosen for one command kind (QFSL, QFRF, QFWF, QFDF, CBC, AT),
// optionally only for its first few occurrences, or for its N-th alone.
struct Fault
{
    enum class Kind
    {
        None,
        Error,  // answer ERROR (QFWF: after taking the data, nothing written)
        Refuse, // QFWF: ERROR instead of the prompt
        Silent, // no answer at all
        Late,   // answer after `millis`
        NoCrLf, // the final CR LF is missing
        Split,  // the answer pauses `millis` after `position` bytes
        Walk,   // the n-th such answer pauses `millis` after n bytes
        Drop,   // the line goes away after `position` bytes (QFWF: of the data)
        Early,  // QFWF: "OK" right after the prompt, then the data is dropped unanswered
        NoSize  // QFRF: the answer announces no size
    };
    Kind kind = Kind::None;
    long position = 0;
    long millis = 0;
    long remaining = -1; // occurrences left; -1 for always
    long only = 0;       // when set: only the only-th such command
    long occurrence = 0; // how many such commands came before this one
};

class FaultPlan
{
public:
    // Takes "CMD=KIND[:ARG[:ARG]][@COUNT|#N]"; returns false on a malformed text.
    bool add(const std::string& text);
    // The fault for this occurrence of the command, counting it.
    Fault take(const std::string& command);

private:
    std::map<std::string, Fault> faults_;
};
