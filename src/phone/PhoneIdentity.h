#pragma once

#include <QString>

// Which phone hangs on the line: what it says of itself (AT+CGSN, else
// AT+CGMM). Repairs are kept per phone, so another phone on the same port
// never gets this one's files.
struct PhoneIdentity
{
    bool answered = false; // false: the phone was not asked yet, or did not answer
    QString serial;        // empty: the phone refused to tell
    QString model;         // empty: the phone refused to tell
    QString firmware;      // empty: the phone refused to tell
    QString device;

    // The serial number where the phone gives one; else its model on its port.
    QString key() const
    {
        if (!serial.isEmpty())
            return QStringLiteral("serial:") + serial;
        return QStringLiteral("model:") + modelOrPhone() + QLatin1Char('@') + device;
    }
    // How the user knows it: "ST60 …7890" or "ST60 on /dev/ttyUSB0".
    QString shown() const
    {
        if (!serial.isEmpty())
            return modelOrPhone() + QLatin1Char(' ') + serialTail();
        return modelOrPhone() + QStringLiteral(" @ ") + device;
    }
    // The serial number's last digits, enough to tell two phones apart on a screen.
    QString serialTail() const
    {
        return serial.isEmpty() ? QString() : QStringLiteral("\u2026") + serial.right(4);
    }
    QString modelOrPhone() const { return model.isEmpty() ? QStringLiteral("phone") : model; }
};
