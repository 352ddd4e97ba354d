#include "Drives.h"

#include <QDir>
#include <QStorageInfo>

int driveImageFor(const QString& fileSystemType, const QString& mountPoint)
{
    static const QStringList kNetwork = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p", "afs"};
    static const QStringList kOptical = {"iso9660", "udf"};
    const QString type = fileSystemType.toLower();
    if (kNetwork.contains(type))
        return 3;
    if (kOptical.contains(type))
        return 4;
    const bool userMount = mountPoint.startsWith(QLatin1String("/media/")) ||
                           mountPoint.startsWith(QLatin1String("/run/media/")) ||
                           mountPoint.startsWith(QLatin1String("/mnt/"));
    if (!userMount)
        return 0;
    if (type == QLatin1String("tmpfs") || type == QLatin1String("ramfs"))
        return 5;
    return 1;
}

QList<DriveEntry> listDrives()
{
#ifdef Q_OS_WIN
    QList<DriveEntry> drives;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = QDir::toNativeSeparators(volume.rootPath());
        drives.append({root.left(2), root, 2});
    }
    return drives;
#else
    QList<DriveEntry> drives{{QStringLiteral("/"), QStringLiteral("/"), 2},
                             {QStringLiteral("~"), QDir::homePath(), 2}};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const int image = driveImageFor(QString::fromLatin1(volume.fileSystemType()), volume.rootPath());
        if (image > 0 && volume.isReady())
            drives.append({QDir(volume.rootPath()).dirName(), volume.rootPath(), image});
    }
    return drives;
#endif
}
