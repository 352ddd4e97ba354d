#pragma once

#include <QByteArray>

#include <optional>

// The charge in percent from a "+CBC: <bcs>,<bcl>" answer: the second field.
// Empty when the answer holds no complete "+CBC:" line.
std::optional<int> parseBatteryPercent(const QByteArray& answer);

// The picture for a charge: 1 to 6 by bands, 0 when outside 0 to 100.
int batteryLevelFor(int percent);
