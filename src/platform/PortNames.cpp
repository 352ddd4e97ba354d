#include "PortNames.h"

#include <QFileInfo>
#include <QSerialPortInfo>

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

namespace {

// The same device under another name, e.g. a /dev/serial/by-id link, counts too.
bool sameDevice(const QString& configured, const QString& detected)
{
    if (configured == detected)
        return true;
    const QString resolved = QFileInfo(configured).canonicalFilePath();
    return !resolved.isEmpty() && resolved == QFileInfo(detected).canonicalFilePath();
}

} // namespace

QString detectedDescription(const QString& device, const QList<DetectedPort>& detected)
{
    for (const DetectedPort& port : detected) {
        if (!sameDevice(device, port.device))
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
