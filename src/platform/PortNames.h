#pragma once

#include <QList>
#include <QString>

// Which serial device a port number opens: the device configured for that
// number (the store's "Ports" section) when there is one, else the platform's
// own name for it.
QString resolvePortDevice(const QString& configuredDevice, int portNumber);
QString defaultPortDevice(int portNumber);

// A serial port this computer reports, with the words its driver gives it.
struct DetectedPort
{
    QString device;
    QString description;
    QString manufacturer;
};
QList<DetectedPort> detectedPorts();

// What the driver says of a detected device ("USB-Serial Controller, Prolific"),
// or an empty text for a device not detected.
QString detectedDescription(const QString& device, const QList<DetectedPort>& detected);

// How the port list names a number: "COM4: /dev/ttyUSB0, USB-Serial Controller,
// Prolific" — its device and, when that device was detected, what it is.
QString portEntryText(int portNumber, const QString& device, const QList<DetectedPort>& detected);
