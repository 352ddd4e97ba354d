#include "PortNames.h"

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
