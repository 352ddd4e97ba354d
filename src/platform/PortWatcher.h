#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// Watches for a lost serial device to come back: a light look once a second
// (does the device exist, may this user read and write it), nothing spent in
// between. It never opens the device, so a cable that is back is not
// disturbed until the owner reconnects. Whoever then fails to open it simply
// watches again.
class PortWatcher : public QObject
{
    Q_OBJECT
public:
    explicit PortWatcher(QObject* parent = nullptr);

    // Starts watching `device` (a path, or a port name on Windows); the
    // first look comes one interval from now.
    void watch(const QString& device);
    void stop();
    bool isWatching() const { return timer_.isActive(); }
    QString device() const { return device_; }
    // Looks at once while watching (a Reconnect the user asked for); true when it is back.
    bool checkNow();
    // Never more often than once a second.
    void setInterval(int millis);
    int interval() const { return timer_.interval(); }

    static constexpr int kIntervalMillis = 1000;

signals:
    // The device is there again and this user may open it; watching has ended.
    void deviceBack(const QString& device);

private:
    QTimer timer_;
    QString device_;
};

// Whether the device exists and this user may read and write it, without opening it.
bool portPresent(const QString& device);
