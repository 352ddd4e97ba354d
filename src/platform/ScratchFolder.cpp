#include "ScratchFolder.h"

#include <QDir>

namespace Folders {

namespace {

const QString kLockName = QStringLiteral(".in-use.lock");

QString placeOrTemp(const QString& parent)
{
    return parent.isEmpty() ? QDir::tempPath() : parent;
}

// The place may not exist yet (a fresh user's cache folder).
QString scratchTemplate(const QString& parent)
{
    QDir().mkpath(placeOrTemp(parent));
    return QDir(placeOrTemp(parent)).filePath(QStringLiteral("Vantrel-XXXXXX"));
}

} // namespace

ScratchFolder::ScratchFolder() : ScratchFolder(QString()) {}

ScratchFolder::ScratchFolder(const QString& parent) : folder_(scratchTemplate(parent))
{
    if (!folder_.isValid())
        return;
    inUse_ = std::make_unique<QLockFile>(QDir(folder_.path()).filePath(kLockName));
    // Held for the whole run; only a lock whose program is gone is stale.
    inUse_->setStaleLockTime(0);
    inUse_->tryLock(0);
}

void removeAbandonedScratchFolders(const QString& parent)
{
    const QDir place(placeOrTemp(parent));
    const QStringList candidates =
        place.entryList({QStringLiteral("Vantrel-??????")}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString& name : candidates) {
        QDir folder(place.filePath(name));
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
