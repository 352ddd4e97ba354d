#pragma once

#include <QList>
#include <QString>
#include <QStringList>

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

// The same device under two names (a /dev/serial/by-id link and its target).
bool isSameDevice(const QString& one, const QString& other);

// A device worth asking whether a phone hangs on it.
struct PortCandidate
{
    QString device;
    QString description; // what the driver says of it; empty when not detected
};

// Extra devices to ask, from the environment variable VANTREL_EXTRA_PORTS
// (paths separated by the platform's list separator, ":" on Linux): the
// system does not list pseudo-terminals or devices it does not know.
inline constexpr char kExtraPortsVariable[] = "VANTREL_EXTRA_PORTS";
QStringList extraPortDevices();

// Which devices to ask for a phone, each once: the one the settings name,
// the detected ports, then the extra ones.
QList<PortCandidate> portCandidates(const QString& settingsDevice);
