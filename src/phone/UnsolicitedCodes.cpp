#include "UnsolicitedCodes.h"

#include <array>

namespace {
constexpr std::array<QByteArrayView, 13> kCodes = {
    "RING",   "+CRING:", "+CLIP:", "+CCWA:",  "+CMTI:", "+CMT:",  "+CBM:",
    "+CDSI:", "+CDS:",   "+CREG:", "+CGREG:", "+CUSD:", "+CIEV:",
};
} // namespace

bool isUnsolicitedCode(QByteArrayView line)
{
    for (QByteArrayView code : kCodes) {
        if (line.startsWith(code))
            return true;
    }
    return false;
}

bool holdsOnlyUnsolicitedCodes(QByteArrayView piece)
{
    qsizetype start = 0;
    while (start < piece.size()) {
        qsizetype end = start;
        while (end < piece.size() && piece[end] != '\r' && piece[end] != '\n')
            ++end;
        if (end > start && !isUnsolicitedCode(piece.sliced(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}
