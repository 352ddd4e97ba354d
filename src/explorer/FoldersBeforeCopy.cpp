#include "FoldersBeforeCopy.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr QDir::Filters kFolders = QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks;

bool holdsNothing(const QString& folder)
{
    return QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

// `top` and every folder inside it, deepest first: a folder comes after its sub-folders.
QStringList foldersFrom(const QString& top)
{
    QStringList folders;
    if (!QFileInfo(top).isDir() || QFileInfo(top).isSymLink())
        return folders;
    QDirIterator it(top, kFolders, QDirIterator::Subdirectories);
    while (it.hasNext())
        folders << it.next();
    std::sort(folders.begin(), folders.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    folders << top;
    return folders;
}

QStringList emptyOnes(const QStringList& folders)
{
    QStringList empty;
    for (const QString& folder : folders) {
        if (holdsNothing(folder))
            empty << folder;
    }
    return empty;
}

// Only a folder that holds nothing can be removed this way: files always stay.
void removeEmpty(const QString& top, const QStringList& keep)
{
    for (const QString& folder : foldersFrom(top)) {
        if (!keep.contains(folder) && holdsNothing(folder))
            QDir().rmdir(folder);
    }
}

} // namespace

FoldersBeforeCopy::FoldersBeforeCopy(const QString& destination, const QString& target)
    : destination_(QDir::cleanPath(destination)), target_(QDir::cleanPath(target)),
      topFolders_(QDir(destination_).entryList(kFolders)), emptyFolders_(emptyOnes(foldersFrom(target_)))
{}

void FoldersBeforeCopy::removeEmptyFoldersMade() const
{
    // A folder of a name already taken is made under another one.
    for (const QString& name : QDir(destination_).entryList(kFolders)) {
        if (!topFolders_.contains(name))
            removeEmpty(QDir(destination_).filePath(name), {});
    }
    removeEmpty(target_, emptyFolders_);
}
