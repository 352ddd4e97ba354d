#include "Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Folders {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString languageFolder()
{
    const QString beside = programFolder() + QStringLiteral("/lng");
    if (QFileInfo(beside).isDir())
        return beside;
    const QString installed = QDir::cleanPath(programFolder() + QStringLiteral("/../share/vantrel/lng"));
    if (QFileInfo(installed).isDir())
        return installed;
    return beside;
}

QString cacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
}

QString defaultLastFolder()
{
    return QDir::toNativeSeparators(QDir::homePath());
}

void giveNormalMode(const QString& folder)
{
    // A folder made the ordinary way shows the mode; reading the umask itself
    // would change it for a moment under the other threads.
    const QDir parent = QFileInfo(folder).absoluteDir();
    const QString probe =
        QStringLiteral(".vantrel-mode-") + QString::number(QCoreApplication::applicationPid());
    if (!parent.mkdir(probe))
        return;
    const QFileDevice::Permissions normal = QFileInfo(parent.filePath(probe)).permissions();
    parent.rmdir(probe);
    QFile::setPermissions(folder, normal);
}

} // namespace Folders
