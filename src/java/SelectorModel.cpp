#include "SelectorModel.h"

#include <QStringDecoder>

int SelectorModel::folderNamed(const QByteArray& name) const
{
    for (int index = 1; index <= kFolderCount; ++index) {
        if (!JavaFolders[index].Name.isEmpty() && JavaFolders[index].Name == name)
            return index;
    }
    return 0;
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
        if (suite.Root == root && folderNamed(suite.FolderName) != 0)
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
