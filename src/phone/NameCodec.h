#pragma once

#include <QString>

// The phone's name form: each 16-bit character as four upper-case hex digits,
// the whole wrapped in double quotes.
QString EncodeName(const QString& name);
// Reads four hex digits per character; characters of value 0 are skipped and a
// shorter trailing group is read on its own.
QString DecodeName(const QString& hexDigits);
// Sums the digits' values; a character that is not a hex digit counts as -1.
// Upper-cases its argument in place.
long HexToNumber(QString& digits);
