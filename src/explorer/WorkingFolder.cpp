#include "WorkingFolder.h"

#include "platform/Folders.h"

QString WorkingFolder::prepare()
{
    if (folder_ && folder_->isValid())
        return path_;
    const QString cache = cacheFolder_.isEmpty() ? Folders::cacheFolder() : cacheFolder_;
    // What windows that died left behind goes; a running window's folder stays.
    Folders::removeAbandonedScratchFolders(cache);
    folder_ = std::make_unique<Folders::ScratchFolder>(cache);
    path_ = folder_->isValid() ? folder_->path() + QLatin1Char('/') : QString();
    return path_;
}

void WorkingFolder::remove()
{
    folder_.reset();
    path_.clear();
}
