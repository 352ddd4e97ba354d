#pragma once

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <cstdint>

// A serial line delivers an answer in pieces of any length. The input's first
// byte says how many of the bytes after it are piece lengths (0 to 15); the
// rest is the answer, delivered in pieces of those lengths in turn (a length
// byte of 0 stands for 256). With no lengths the answer arrives whole, so a
// seed file is a 0 byte followed by a plain answer.
template <typename OnArrival>
QByteArray deliverInPieces(const std::uint8_t* data, std::size_t size, OnArrival onArrival)
{
    QByteArray received;
    if (size == 0)
        return received;
    const std::size_t lengthCount = std::min<std::size_t>(data[0] % 16, size - 1);
    const std::uint8_t* lengths = data + 1;
    const char* answer = reinterpret_cast<const char*>(lengths + lengthCount);
    const std::size_t answerSize = size - 1 - lengthCount;
    std::size_t at = 0;
    for (std::size_t piece = 0; at < answerSize; ++piece) {
        std::size_t length = answerSize - at;
        if (lengthCount > 0) {
            const std::uint8_t chosen = lengths[piece % lengthCount];
            length = std::min<std::size_t>(chosen == 0 ? 256 : chosen, answerSize - at);
        }
        received.append(answer + at, static_cast<qsizetype>(length));
        at += length;
        onArrival(received);
    }
    return received;
}

// A broken promise ends the run as a crash that libFuzzer keeps.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            __builtin_trap();                                                                                \
    } while (false)
