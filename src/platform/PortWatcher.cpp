#include "PortWatcher.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

bool portPresent(const QString& device)
{
#ifdef Q_OS_WIN
    // Windows names ports, not files: only the enumeration tells.
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (info.portName().compare(device, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
#else
    // A link to a terminal that went away is no device; stat follows links.
    const QByteArray path = QFile::encodeName(device);
    struct stat status = {};
    if (::stat(path.constData(), &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    return ::access(path.constData(), R_OK | W_OK) == 0;
#endif
}

PortWatcher::PortWatcher(QObject* parent) : QObject(parent)
{
    // A coarse timer lets the system bundle our wake-ups with others.
    timer_.setTimerType(Qt::VeryCoarseTimer);
    timer_.setInterval(kIntervalMillis);
    connect(&timer_, &QTimer::timeout, this, &PortWatcher::checkNow);
}

void PortWatcher::watch(const QString& device)
{
    device_ = device;
    timer_.start();
}

void PortWatcher::stop()
{
    timer_.stop();
}

void PortWatcher::setInterval(int millis)
{
    timer_.setInterval(qMax(millis, kIntervalMillis));
}

bool PortWatcher::checkNow()
{
    if (!timer_.isActive() || !portPresent(device_))
        return false;
    timer_.stop();
    emit deviceBack(device_);
    return true;
}
