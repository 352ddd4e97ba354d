#pragma once

#include "PhoneTypes.h"

#include <QByteArray>

#include <optional>

// The analysis of one folder-listing answer.
struct ListingAnswer
{
    enum class State
    {
        Complete,
        Incomplete, // the final "OK" line and its line end have not all arrived
        Malformed   // a line that is no entry, an entry without its fields, an impossible size
    };
    State state = State::Incomplete;
    QList<PhoneEntry> entries;
    qint64 totalBytes = 0;
};

// Cuts the answer into lines (each from one CR LF to the next) up to the final
// short "OK" line and reads the "+QFSL:" entries among them.
ListingAnswer parseListingAnswer(const QByteArray& answer);

// Reads a size the way the phone's texts are read: the leading number, rounded.
// Empty when that is no possible file size (negative, infinite, not a number,
// or beyond 2^53).
std::optional<qint64> readFileSize(const QByteArray& text);
