#pragma once

#include <QList>
#include <QString>

// The places the drive toolbar offers: "/" and the home folder first, then
// the mounted volumes a user would want (removable, network, optical, RAM).
struct DriveEntry
{
    QString caption;
    QString path;
    int image = 2; // 1 removable, 2 fixed, 3 network, 4 optical, 5 RAM
};

QList<DriveEntry> listDrives();
// The picture for a mounted file system, or 0 when it is not offered.
int driveImageFor(const QString& fileSystemType, const QString& mountPoint);
