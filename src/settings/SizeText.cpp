#include "SizeText.h"

#include "LanguageTable.h"

namespace {
constexpr int kFirstUnitText = 550;
constexpr int kPerSecondText = 555;
constexpr const char* kLatinUnits[] = {"B", "KB", "MB", "GB", "TB"};
} // namespace

SizeUnits sizeUnitsOf(const LanguageTable& texts)
{
    SizeUnits units;
    const QString localeName = texts.GetString(LanguageTable::kLocaleText);
    units.locale = localeName.isEmpty() ? QLocale() : QLocale(localeName);
    for (std::size_t unit = 0; unit < units.names.size(); ++unit) {
        const QString own = texts.GetString(kFirstUnitText + static_cast<int>(unit));
        units.names[unit] = own.isEmpty() ? QLatin1String(kLatinUnits[unit]) : own;
    }
    const QString perSecond = texts.GetString(kPerSecondText);
    units.perSecond = perSecond.isEmpty() ? QStringLiteral("/s") : perSecond;
    return units;
}

QString sizeInUnits(qint64 bytes, const SizeUnits& units)
{
    if (bytes < 1024)
        return bytesInUnits(bytes, units);
    double value = bytes / 1024.0;
    std::size_t unit = 1;
    // Rounded, 1023.99 KB would read "1,024 KB": the next unit takes it.
    while (value >= 1023.5 && unit + 1 < units.names.size()) {
        value /= 1024.0;
        ++unit;
    }
    // One decimal while it says something ("1.5 MB"), none from 100 on.
    const int decimals = value < 100.0 ? 1 : 0;
    return units.locale.toString(value, 'f', decimals) + QLatin1Char(' ') + units.names[unit];
}

QString bytesInUnits(qint64 bytes, const SizeUnits& units)
{
    return units.locale.toString(bytes) + QLatin1Char(' ') + units.names[0];
}

QString speedInUnits(qint64 bytesPerSecond, const SizeUnits& units)
{
    return sizeInUnits(bytesPerSecond, units) + units.perSecond;
}
