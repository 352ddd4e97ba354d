#include "ListingAnswer.h"

#include "NameCodec.h"
#include "UnsolicitedCodes.h"

#include <QtNumeric>

#include <cmath>
#include <cstdlib>

namespace {

const QByteArray kLineEnd("\r\n");
const QByteArray kEntryMark("+QFSL:");

// Drops line ends, blanks and other control bytes (and 0xFF), as the entry's
// fields never contain them.
QByteArray withoutControlBytes(const QByteArray& line)
{
    QByteArray kept;
    kept.reserve(line.size());
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 33 && byte < 255)
            kept += c;
    }
    return kept;
}

QString hexDigitsOnly(const QByteArray& field)
{
    QString digits;
    for (char c : field) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))
            digits += QLatin1Char(c);
    }
    return digits;
}

bool readEntry(const QByteArray& line, PhoneEntry& entry)
{
    const QByteArray cleaned = withoutControlBytes(line);
    const QByteArray fields = cleaned.mid(cleaned.indexOf(kEntryMark) + kEntryMark.size());
    const QList<QByteArray> parts = fields.split(',');
    const qsizetype flagAt = fields.indexOf("\",");
    if (flagAt < 0 || flagAt + 2 >= fields.size())
        return false;
    entry.name = DecodeName(hexDigitsOnly(parts.at(0)));
    entry.isFolder = fields.at(flagAt + 2) == '1';
    // Only a file's size is read: a folder needs no more than its flag.
    if (entry.isFolder)
        return true;
    // Name, flag, attribute and size, each closed by a comma.
    if (parts.size() < 5)
        return false;
    const std::optional<qint64> size = readFileSize(parts.at(3));
    entry.size = size.value_or(0);
    return size.has_value();
}

} // namespace

std::optional<qint64> readFileSize(const QByteArray& text)
{
    // Beyond 2^53 bytes the reading is no longer exact, and far beyond any file.
    constexpr double kLargestSize = 9007199254740992.0;
    const QByteArray trimmed = text.trimmed();
    const double value = std::nearbyint(std::strtod(trimmed.constData(), nullptr));
    // Also refuses "inf" and "nan", which strtod reads as well.
    if (!(value >= 0 && value <= kLargestSize))
        return std::nullopt;
    return static_cast<qint64>(value);
}

ListingAnswer parseListingAnswer(const QByteArray& answer)
{
    ListingAnswer result;
    QList<QByteArray> lines;
    qsizetype start = answer.indexOf(kLineEnd);
    // Before the first line end only the echo of our command may come: the
    // tail of an earlier answer would otherwise pass for an empty folder.
    const QByteArray lead = answer.left(qMax<qsizetype>(start, 0)).trimmed();
    if (!lead.isEmpty() && !lead.startsWith("AT+QFSL")) {
        result.state = ListingAnswer::State::Malformed;
        return result;
    }
    bool finalLineSeen = false;
    while (start >= 0) {
        const qsizetype next = answer.indexOf(kLineEnd, start + kLineEnd.size());
        if (next < 0)
            break;
        const QByteArray line = answer.mid(start, next - start);
        if (line.contains("OK") && line.size() < 5) {
            finalLineSeen = true;
            break;
        }
        lines << line;
        start = next;
    }
    if (!finalLineSeen)
        return result;

    for (const QByteArray& line : lines) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || isUnsolicitedCode(trimmed))
            continue;
        PhoneEntry entry;
        // Any other line is not this folder's answer (an earlier command's
        // late answer, say): it must never be taken for the folder's files.
        // A total beyond 64 bits is not a phone's folder either.
        if (!trimmed.startsWith(kEntryMark) || !readEntry(line, entry) || qAddOverflow(result.totalBytes, entry.size, &result.totalBytes)) {
            result.state = ListingAnswer::State::Malformed;
            result.entries.clear();
            result.totalBytes = 0;
            return result;
        }
        result.entries << entry;
    }
    result.state = ListingAnswer::State::Complete;
    return result;
}
