#pragma once

#include "SelectorModel.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Reading and writing the phone's Java menu file "selector.utf", byte for byte.

// The largest file the 16-bit length field can describe.
constexpr qint64 kLargestSelectorFile = 65535 + 16;

struct SelectorReading
{
    bool ok = true; // false: reading stopped at an error; what came before it stays in the model
};

// Replaces the model's folders and suites with the file's (NextRoot only when
// the file names one).
SelectorReading ReadSelector(const QByteArray& content, SelectorModel& model);

// The file's bytes for the model; no value when they exceed the length field.
std::optional<QByteArray> selectorBytes(const SelectorModel& model);
// Writes the file under a temporary name and moves it into place only when it
// is complete, so a failure leaves the old file as it was.
bool WriteSelector(const SelectorModel& model, const QString& path);
