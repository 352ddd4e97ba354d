#include "LineValue.h"

#include <cmath>
#include <limits>

namespace {

bool fitsIn16Bits(double value)
{
    return value >= std::numeric_limits<qint16>::min() && value <= std::numeric_limits<qint16>::max();
}

} // namespace

std::optional<QByteArray> LineValue(const QByteArray& line)
{
    const qsizetype equals = line.indexOf('=');
    const qsizetype comma = line.indexOf(',');
    const qsizetype end = comma < 0 ? line.size() : comma;
    if (end < equals)
        return std::nullopt;
    return line.mid(equals + 1, end - equals - 1);
}

std::optional<qint16> leadingNumber(const QByteArray& value)
{
    qsizetype position = 0;
    while (position < value.size() && (value[position] == ' ' || value[position] == '\t'))
        ++position;
    qsizetype end = position;
    if (end < value.size() && (value[end] == '-' || value[end] == '+'))
        ++end;
    bool digits = false;
    while (end < value.size() && value[end] >= '0' && value[end] <= '9')
        ++end, digits = true;
    if (end < value.size() && value[end] == '.') {
        ++end;
        while (end < value.size() && value[end] >= '0' && value[end] <= '9')
            ++end, digits = true;
    }
    if (!digits)
        return qint16(0);
    // Half-way values go to the even neighbour, as the menu's first editors did.
    const double rounded = std::nearbyint(value.mid(position, end - position).toDouble());
    if (!fitsIn16Bits(rounded))
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

std::optional<qint16> wholeNumber(const QByteArray& value)
{
    bool ok = false;
    const int number = value.trimmed().toInt(&ok);
    if (!ok || !fitsIn16Bits(number))
        return std::nullopt;
    return static_cast<qint16>(number);
}
