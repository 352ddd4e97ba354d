#include "PortNames.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

QString defaultPortDevice(int portNumber)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

QString resolvePortDevice(const QString& configuredDevice, int portNumber)
{
    const QString configured = configuredDevice.trimmed();
    return configured.isEmpty() ? defaultPortDevice(portNumber) : configured;
}

QList<DetectedPort> detectedPorts()
{
    QList<DetectedPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        // Windows opens a port by its name ("COM4"), the name the settings store.
        const QString device = info.portName();
#else
        const QString device = info.systemLocation();
#endif
        ports.append({device, info.description().trimmed(), info.manufacturer().trimmed()});
    }
    return ports;
}

bool isSameDevice(const QString& one, const QString& other)
{
    if (one == other)
        return true;
    const QString resolved = QFileInfo(one).canonicalFilePath();
    return !resolved.isEmpty() && resolved == QFileInfo(other).canonicalFilePath();
}

QString detectedDescription(const QString& device, const QList<DetectedPort>& detected)
{
    for (const DetectedPort& port : detected) {
        if (!isSameDevice(device, port.device))
            continue;
        QStringList words;
        if (!port.description.isEmpty())
            words << port.description;
        if (!port.manufacturer.isEmpty() && port.manufacturer != port.description)
            words << port.manufacturer;
        return words.join(QStringLiteral(", "));
    }
    return QString();
}

QString portEntryText(int portNumber, const QString& device, const QList<DetectedPort>& detected)
{
    const QString number = QStringLiteral("COM%1").arg(portNumber);
    QStringList words;
    if (!device.isEmpty() && device != number)
        words << device;
    const QString description = detectedDescription(device, detected);
    if (!description.isEmpty())
        words << description;
    return words.isEmpty() ? number : number + QStringLiteral(": ") + words.join(QStringLiteral(", "));
}

QStringList extraPortDevices()
{
    QStringList devices;
    const QString listed = qEnvironmentVariable(kExtraPortsVariable);
    for (const QString& device : listed.split(QDir::listSeparator(), Qt::SkipEmptyParts)) {
        if (!device.trimmed().isEmpty())
            devices << device.trimmed();
    }
    return devices;
}

QList<PortCandidate> portCandidates(const QString& settingsDevice)
{
    const QList<DetectedPort> detected = detectedPorts();
    QStringList devices;
    if (!settingsDevice.trimmed().isEmpty())
        devices << settingsDevice.trimmed();
    for (const DetectedPort& port : detected)
        devices << port.device;
    devices << extraPortDevices();

    QList<PortCandidate> candidates;
    for (const QString& device : devices) {
        const bool known = std::any_of(candidates.cbegin(), candidates.cend(), [&](const PortCandidate& one) {
            return isSameDevice(one.device, device);
        });
        if (!known)
            candidates.append({device, detectedDescription(device, detected)});
    }
    return candidates;
}
