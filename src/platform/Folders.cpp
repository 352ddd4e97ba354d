#include "Folders.h"
#include "ScratchFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace Folders {

namespace {

bool folderIsWritable(const QString& folder)
{
    if (!QDir().mkpath(folder))
        return false;
    QTemporaryFile probe(folder + QStringLiteral("/.probe-XXXXXX"));
    return probe.open();
}

} // namespace

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

QString workingFolderPath()
{
    // An installed program (its languages under share/, not beside it) never
    // writes into its bin folder, even when run by root.
    const QString beside = programFolder() + QStringLiteral("/Temp");
    const bool installed = languageFolder() != programFolder() + QStringLiteral("/lng");
    if (!installed && folderIsWritable(beside))
        return beside;
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/Temp");
}

QString defaultLastFolder()
{
    return QDir::toNativeSeparators(QDir::homePath());
}

void emptyWorkingFolder(const QString& folder)
{
    QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return;
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : files) {
        if (name != inUseLockName())
            dir.remove(name);
    }
}

QString prepareWorkingFolder(const QString& folder, bool empty)
{
    if (empty)
        emptyWorkingFolder(folder);
    if (!QDir().mkpath(folder))
        return QString();
    return QDir::cleanPath(folder) + QLatin1Char('/');
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
