#pragma once

#include <QSerialPort>
#include <QString>

// Why a serial device could not be opened, in the terms a user can act on.
enum class PortOpenFailure
{
    NoSuchDevice, // nothing at that path, or no serial port behind it
    NoPermission, // the device is there but this user may not open it
    InUse,        // another program holds it
    Other
};

PortOpenFailure classifyOpenFailure(const QString& device, QSerialPort::SerialPortError error);
