#include "SelectorFile.h"

#include <QSaveFile>

namespace {

constexpr char kContinued[] = ", \\\n";
constexpr char kTerminator[] = "\0\x0c"
                               "EOF_SELECTOR";

void appendSuite(QByteArray& body, const JavaSuite& suite)
{
    body += "suite=" + suite.SuiteName + kContinued;
    body += "\troot=" + suite.Root + kContinued;
    body += "\tnum=" + QByteArray::number(suite.Num) + kContinued;
    body += "\tdomain=" + suite.Domain + '\n';
    body += "midlet=" + suite.MidletName + kContinued;
    if (!suite.Icon.isEmpty())
        body += "\ticon=" + suite.Icon + kContinued;
    body += "\tclass=" + suite.ClassName + '\n';
}

void appendSuitesOf(QByteArray& body, const SelectorModel& model, int folder)
{
    for (int slot = 1; slot <= SelectorModel::kSuiteCount; ++slot) {
        if (model.JavaSuites[slot].Folder == folder)
            appendSuite(body, model.JavaSuites[slot]);
    }
}

void appendFolder(QByteArray& body, const SelectorModel& model, int index)
{
    const JavaFolder& folder = model.JavaFolders[index];
    body += "folder=" + folder.Name + kContinued;
    body += "\tmodifiable=" + folder.Modifiable + kContinued;
    body += "\tremovable=" + folder.Removable + '\n';
    appendSuitesOf(body, model, index);
    body += "endfolder=\n";
}

} // namespace

std::optional<QByteArray> selectorBytes(const SelectorModel& model)
{
    QByteArray body = "nextroot=" + QByteArray::number(model.NextRoot) + '\n';
    // Suites the phone's menu lists before its first folder stay there.
    appendSuitesOf(body, model, 0);
    for (int index = 1; index <= SelectorModel::kFolderCount; ++index) {
        if (model.JavaFolders[index].inUse())
            appendFolder(body, model, index);
    }
    // The length field counts the bytes between itself and the terminator.
    const qsizetype length = body.size();
    if (length > 0xFFFF)
        return std::nullopt;
    QByteArray file;
    file.reserve(length + 16);
    file += char(length >> 8);
    file += char(length & 0xFF);
    file += body;
    file += QByteArray(kTerminator, sizeof(kTerminator) - 1);
    return file;
}

bool WriteSelector(const SelectorModel& model, const QString& path)
{
    const auto bytes = selectorBytes(model);
    if (!bytes)
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
