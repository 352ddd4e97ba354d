#include "ScratchFolder.h"

#include <QDir>

namespace Folders {

namespace {

const QString kLockName = QStringLiteral(".in-use.lock");

QString scratchTemplate()
{
    return QDir::tempPath() + QStringLiteral("/Vantrel-XXXXXX");
}

} // namespace

ScratchFolder::ScratchFolder() : folder_(scratchTemplate())
{
    if (!folder_.isValid())
        return;
    inUse_ = std::make_unique<QLockFile>(QDir(folder_.path()).filePath(kLockName));
    // Held for the whole run; only a lock whose program is gone is stale.
    inUse_->setStaleLockTime(0);
    inUse_->tryLock(0);
}

QString inUseLockName()
{
    return kLockName;
}

bool FolderClaim::claim(const QString& folder)
{
    if (lock_ && QDir(folder) == QDir(folder_))
        return true;
    lock_.reset();
    folder_ = folder;
    if (!QDir().mkpath(folder))
        return false;
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(kLockName));
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    lock_ = std::move(lock);
    return true;
}

void removeAbandonedScratchFolders()
{
    const QDir temp(QDir::tempPath());
    const QStringList candidates =
        temp.entryList({QStringLiteral("Vantrel-??????")}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& name : candidates) {
        QDir folder(temp.filePath(name));
        // Only folders that carry our lock are ours to judge.
        if (!folder.exists(kLockName))
            continue;
        QLockFile lock(folder.filePath(kLockName));
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0))
            continue;
        lock.unlock();
        folder.removeRecursively();
    }
}

} // namespace Folders
