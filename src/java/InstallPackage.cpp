#include "JavaTexts.h"
#include "PackageIndex.h"
#include "Packages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <limits>
#include <optional>

namespace {

QByteArray rootFor(qint16 number)
{
    return "s" + QByteArray::number(number) + "_";
}

// NextRoot, or the next number after it whose root no suite of the menu uses:
// a menu whose number fell behind must not make a new suite overwrite the
// files of one already on the phone.
std::optional<qint16> freeRootNumber(const SelectorModel& model)
{
    for (int number = model.NextRoot; number < std::numeric_limits<qint16>::max(); ++number) {
        bool used = false;
        for (int slot = 1; slot <= SelectorModel::kSuiteCount && !used; ++slot)
            used =
                !model.JavaSuites[slot].SuiteName.isEmpty() && model.JavaSuites[slot].Root == rootFor(number);
        if (!used)
            return static_cast<qint16>(number);
    }
    return std::nullopt;
}

// "java.jad" becomes root + "suite.jad"; everything after the first dot is the extension.
QString phoneName(const QByteArray& root, const QString& packageName)
{
    return QString::fromLatin1(root) + QStringLiteral("suite.") +
           packageName.mid(packageName.indexOf('.') + 1);
}

// Moves the suite's files into the working folder; on failure the ones already
// moved are removed again, so nothing half-installed stays to be sent.
bool moveSuiteFiles(const QDir& unpacked, const QStringList& files, const QByteArray& root,
                    const QDir& working)
{
    QStringList moved;
    for (const QString& file : files) {
        const QString target = working.filePath(phoneName(root, file));
        QFile::remove(target);
        if (!QFile::rename(unpacked.filePath(file), target)) {
            for (const QString& done : moved)
                QFile::remove(done);
            return false;
        }
        moved << target;
    }
    return true;
}

} // namespace

PackageResult InstallPackage(SelectorModel& model, const QString& packagePath, const QString& workingFolder,
                             int folder, const UnpackLimits& limits)
{
    const int slot = model.firstFreeSlot();
    const std::optional<qint16> number = freeRootNumber(model);
    if (!QFileInfo(packagePath).isFile() || folder < 1 || folder > SelectorModel::kFolderCount ||
        !model.JavaFolders[folder].inUse() || slot == 0 || !number)
        return PackageResult::failed(JavaTexts::InstallFailed);

    // A folder of its own per package: nothing an earlier package left joins this one.
    QTemporaryDir unpackedFolder(QDir(workingFolder).filePath(QStringLiteral("package-XXXXXX")));
    if (!unpackedFolder.isValid() || !UnpackArchive(packagePath, unpackedFolder.path(), limits))
        return PackageResult::failed(JavaTexts::InstallFailed);
    const QDir unpacked(unpackedFolder.path());
    QFile index(unpacked.filePath(QLatin1String(kPackageIndexName)));
    if (!QFileInfo(index).isFile())
        return PackageResult::failed(JavaTexts::NoIndexFile);

    JavaSuite suite = model.JavaSuites[slot];
    if (!index.open(QIODevice::ReadOnly) || !readPackageIndex(index.readAll(), suite) ||
        suite.SuiteName.isEmpty())
        return PackageResult::failed(JavaTexts::InstallFailed);
    // A menu entry without its files would leave the phone a suite that cannot start.
    const QStringList files = unpacked.entryList({QStringLiteral("java.*")}, QDir::Files);
    if (files.isEmpty())
        return PackageResult::failed(JavaTexts::InstallFailed);

    suite.Root = rootFor(*number);
    suite.Folder = folder;
    if (!moveSuiteFiles(unpacked, files, suite.Root, QDir(workingFolder)))
        return PackageResult::failed(JavaTexts::InstallFailed);
    model.JavaSuites[slot] = suite;
    model.NextRoot = *number + 1;
    PackageResult result;
    result.slot = slot;
    return result;
}
