#pragma once

#include <QLocale>
#include <QString>

#include <array>

class LanguageTable;

// How the interface language writes sizes: its number format and its units.
struct SizeUnits
{
    QLocale locale;
    // Bytes, KB, MB, GB, TB.
    std::array<QString, 5> names;
    QString perSecond;
};

// The units the language file gives (Latin ones where it gives none, as older
// files do) in the locale its text 138 names.
SizeUnits sizeUnitsOf(const LanguageTable& texts);
// "1.5 MB", "300 KB", "512 B", as people read sizes.
QString sizeInUnits(qint64 bytes, const SizeUnits& units);
// "2,048 B": the exact count.
QString bytesInUnits(qint64 bytes, const SizeUnits& units);
// "11.2 KB/s".
QString speedInUnits(qint64 bytesPerSecond, const SizeUnits& units);
