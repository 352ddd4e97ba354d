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

} // namespace Folders
