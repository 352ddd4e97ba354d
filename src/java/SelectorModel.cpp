#include "SelectorModel.h"

#include <QStringDecoder>

int SelectorModel::folderNamed(const QByteArray& name) const
{
    for (int index = 1; index <= kFolderCount; ++index) {
        if (JavaFolders[index].inUse() && JavaFolders[index].Name == name)
            return index;
    }
    return 0;
}

QByteArray SelectorModel::folderNameOf(const JavaSuite& suite) const
{
    return suite.Folder >= 0 && suite.Folder <= kFolderCount ? JavaFolders[suite.Folder].Name : QByteArray();
}

bool SelectorModel::isListed(const JavaSuite& suite) const
{
    return suite.Folder == 0 ||
           (suite.Folder > 0 && suite.Folder <= kFolderCount && JavaFolders[suite.Folder].inUse());
}

void SelectorModel::clearSlot(int slot)
{
    JavaSuites[slot] = JavaSuite{};
    JavaSuites[slot].Num = 0;
}

int SelectorModel::suiteNamed(const QByteArray& name) const
{
    for (int slot = 1; slot <= kSuiteCount; ++slot) {
        if (!JavaSuites[slot].SuiteName.isEmpty() && JavaSuites[slot].SuiteName == name)
            return slot;
    }
    return 0;
}

int SelectorModel::firstFreeSlot() const
{
    for (int slot = 1; slot <= kSuiteCount; ++slot) {
        if (JavaSuites[slot].SuiteName.isEmpty())
            return slot;
    }
    return 0;
}

bool SelectorModel::rootInUse(const QByteArray& root) const
{
    for (int slot = 1; slot <= kSuiteCount; ++slot) {
        const JavaSuite& suite = JavaSuites[slot];
        if (suite.Root == root && isListed(suite))
            return true;
    }
    return false;
}

QString displayText(const QByteArray& value)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(value);
    return utf8.hasError() ? QString::fromLatin1(value) : decoded;
}

QByteArray fileBytes(const QString& value)
{
    return value.toUtf8();
}
