#pragma once

#include <QLockFile>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace Folders {

// A run's own folder ("Vantrel-XXXXXX", in the system's temporary folder
// unless another place is given), removed when the object ends. A lock inside
// tells a running program's folder from one that a killed run left behind.
class ScratchFolder
{
public:
    ScratchFolder();
    explicit ScratchFolder(const QString& parent);
    bool isValid() const { return folder_.isValid(); }
    QString path() const { return folder_.path(); }

private:
    QTemporaryDir folder_;
    std::unique_ptr<QLockFile> inUse_;
};

// Removes the scratch folders in `parent` (the system's temporary folder when
// empty) of runs that ended without removing their own; never one whose
// program is still running.
void removeAbandonedScratchFolders(const QString& parent = QString());

} // namespace Folders
