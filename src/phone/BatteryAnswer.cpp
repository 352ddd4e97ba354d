#include "BatteryAnswer.h"

#include <QList>

std::optional<int> parseBatteryPercent(const QByteArray& answer)
{
    const QByteArray mark("+CBC:");
    const qsizetype at = answer.indexOf(mark);
    if (at < 0)
        return std::nullopt;
    const qsizetype lineEnd = answer.indexOf("\r\n", at);
    if (lineEnd < 0)
        return std::nullopt;
    const QList<QByteArray> fields = answer.mid(at + mark.size(), lineEnd - at - mark.size()).split(',');
    if (fields.size() < 2)
        return std::nullopt;
    bool ok = false;
    const int percent = fields.at(1).trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return percent;
}

int batteryLevelFor(int percent)
{
    struct Band
    {
        int upTo;
        int level;
    };
    static constexpr Band kBands[] = {{16, 1}, {32, 2}, {48, 3}, {64, 4}, {82, 5}, {100, 6}};
    if (percent < 0)
        return 0;
    for (const Band& band : kBands) {
        if (percent <= band.upTo)
            return band.level;
    }
    return 0;
}
