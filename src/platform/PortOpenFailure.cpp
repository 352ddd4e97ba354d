#include "PortOpenFailure.h"

#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

bool mayReadAndWrite(const QString& device)
{
#ifdef Q_OS_WIN
    Q_UNUSED(device);
    return true;
#else
    // The device node's own rights; QFileInfo would also count the owner's.
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
#endif
}

} // namespace

PortOpenFailure classifyOpenFailure(const QString& device, QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::DeviceNotFoundError)
        return PortOpenFailure::NoSuchDevice;
#ifndef Q_OS_WIN
    // Windows names ports, not files: only the error tells there.
    if (!QFileInfo::exists(device))
        return PortOpenFailure::NoSuchDevice;
    if (!mayReadAndWrite(device))
        return PortOpenFailure::NoPermission;
    // A /dev/ttyS node without a UART behind it refuses with an input/output error.
    if (error == QSerialPort::ResourceError)
        return PortOpenFailure::NoSuchDevice;
#endif
    // Qt's lock file, or the driver's exclusive use: another program has it.
    if (error == QSerialPort::PermissionError)
        return PortOpenFailure::InUse;
    return PortOpenFailure::Other;
}
