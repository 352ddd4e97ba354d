#pragma once

#include <QLockFile>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace Folders {

// A run's own temporary folder ("Vantrel-XXXXXX" in the system's temporary
// folder), removed at the run's end. A lock inside tells a running program's
// folder from one that a killed run left behind.
class ScratchFolder
{
public:
    ScratchFolder();
    QString path() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
    std::unique_ptr<QLockFile> inUse_;
};

// Removes the scratch folders of runs that ended without removing their own;
// never one whose program is still running.
void removeAbandonedScratchFolders();

// The name of the lock a running program holds in a folder it works in.
QString inUseLockName();

// A folder this run works in, claimed for as long as the run lasts: a second
// program finds it in use and leaves its files alone.
class FolderClaim
{
public:
    // Makes the folder when needed. True when it is this run's (now or already).
    bool claim(const QString& folder);
    bool held() const { return lock_ != nullptr; }

private:
    QString folder_;
    std::unique_ptr<QLockFile> lock_;
};

} // namespace Folders
