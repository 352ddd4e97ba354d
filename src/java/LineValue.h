#pragma once

#include <QByteArray>

#include <optional>

// The value of a "key=value" line: what follows the first "=" up to the line's
// first comma (a line without "=" gives the text before its first comma).
// No value when the first comma comes before the first "=".
std::optional<QByteArray> LineValue(const QByteArray& line);

// The leading number of a value ("12abc" is 12, "" is 0), rounded to the
// nearest 16-bit integer; no value when it lies outside that range.
std::optional<qint16> leadingNumber(const QByteArray& value);
// The whole value as a 16-bit integer (blanks around it allowed); no value
// when it is not a number or lies outside that range.
std::optional<qint16> wholeNumber(const QByteArray& value);
