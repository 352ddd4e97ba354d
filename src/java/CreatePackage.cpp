#include "JavaTexts.h"
#include "PackageIndex.h"
#include "Packages.h"
#include "phone/PhoneLink.h"
#include "platform/Folders.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>

namespace {

bool isUnsafeInFolderName(QChar c)
{
    return c.unicode() < 32 || c.unicode() == 127 || QStringLiteral(" /\\:*?\"<>|").contains(c);
}

bool writeIndex(const QDir& folder, const JavaSuite& suite)
{
    QSaveFile file(folder.filePath(QLatin1String(kPackageIndexName)));
    const QByteArray bytes = packageIndexBytes(suite);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// Fetches the suite's files from "/java" and names them "java." + the part
// after the name's last dot. None at all is a failure: a package of its index
// alone could never be installed.
bool fetchSuiteFiles(PhoneLink& link, const JavaSuite& suite, const QStringList& javaFileNames,
                     const QDir& folder)
{
    const QString prefix = displayText(suite.Root) + QStringLiteral("suite");
    bool fetched = false;
    for (const QString& name : javaFileNames) {
        if (!name.startsWith(prefix))
            continue;
        if (link.ReadFile(QStringLiteral("/java"), name, folder.path()) != Outcome::Done)
            return false;
        const QString packageName = QStringLiteral("java.") + name.mid(name.lastIndexOf('.') + 1);
        QFile::remove(folder.filePath(packageName));
        if (!QFile::rename(folder.filePath(name), folder.filePath(packageName)))
            return false;
        fetched = true;
    }
    return fetched;
}

// Puts the finished package in place; an existing package folder of that name
// has its files replaced.
bool placePackage(QTemporaryDir& staging, const QString& target)
{
    const QFileInfo existing(target);
    if (!existing.exists()) {
        if (!QDir().rename(staging.path(), target))
            return false;
        staging.setAutoRemove(false);
        Folders::giveNormalMode(target);
        return true;
    }
    if (!existing.isDir())
        return false;
    const QDir from(staging.path());
    for (const QString& file : from.entryList(QDir::Files | QDir::Hidden)) {
        const QString destination = QDir(target).filePath(file);
        QFile::remove(destination);
        if (!QFile::rename(from.filePath(file), destination))
            return false;
    }
    return true;
}

} // namespace

QString packageFolderName(const QByteArray& midletName)
{
    QString name = displayText(midletName);
    for (QChar& c : name) {
        if (isUnsafeInFolderName(c))
            c = QLatin1Char('_');
    }
    // "", "." and ".." would name the destination itself or its parent.
    if (name.count(QLatin1Char('.')) == name.size())
        name = QString(qMax<qsizetype>(name.size(), 1), QLatin1Char('_'));
    return name;
}

PackageResult CreatePackage(const SelectorModel& model, const QByteArray& suiteName,
                            const QString& destination, PhoneLink& link, const QStringList& javaFileNames)
{
    const int slot = model.suiteNamed(suiteName);
    if (slot == 0)
        return PackageResult::failed(JavaTexts::ExportFailed);
    const JavaSuite& suite = model.JavaSuites[slot];
    const QDir destinationFolder(destination);
    QTemporaryDir staging(destinationFolder.filePath(QStringLiteral(".vantrel-export-XXXXXX")));
    const QDir stagingFolder(staging.path());
    if (!staging.isValid() || !writeIndex(stagingFolder, suite) ||
        !fetchSuiteFiles(link, suite, javaFileNames, stagingFolder))
        return PackageResult::failed(JavaTexts::ExportFailed);
    const QString target = destinationFolder.filePath(packageFolderName(suite.MidletName));
    if (!placePackage(staging, target))
        return PackageResult::failed(JavaTexts::ExportFailed);
    PackageResult result;
    result.slot = slot;
    result.folder = target;
    return result;
}
