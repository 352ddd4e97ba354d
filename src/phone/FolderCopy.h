#pragma once

#include "PhoneTypes.h"

#include <QStringList>

#include <functional>

class PhoneLink;

// What copying a phone folder with its sub-folders came to.
struct FolderCopyTally
{
    int files = 0;    // copied
    qint64 bytes = 0; // of the copied files, as written
    int skipped = 0;  // unchanged on the local side, left as they were
    // Phone paths of the files and folders that could not be copied; a folder
    // ends with "/".
    QStringList failed;
    // Cancelled, LineLost or Stopped when the copy ended before its end.
    Outcome end = Outcome::Done;

    bool complete() const { return end == Outcome::Done && failed.isEmpty(); }
};

struct FolderCopyOptions
{
    // A local file of the same name and size is taken as unchanged.
    bool skipUnchanged = false;
    // Asked before a local file is replaced; false leaves it (counted as
    // skipped). Unset, files are replaced as cp does.
    std::function<bool(const QString& name)> mayReplace;
};

// Copies the files of `phoneFolder` (with its closing "/") into `localFolder`,
// which must exist, and each sub-folder into a local folder of its name, as
// deep as the phone's folders go. A name that could leave its folder (or a
// link standing in its place) is not followed but counted as failed.
FolderCopyTally CopyPhoneFolder(PhoneLink& link, const QString& phoneFolder, const QString& localFolder,
                                const FolderCopyOptions& options = {});

// The name of a phone folder's local copy: its last name ("/ml/im/" gives
// "im"); empty for the root.
QString phoneFolderName(const QString& phoneFolder);

// The local folder `name` inside `parent`, made when missing; empty when the
// name could leave the parent, a link or a file stands there, or it cannot be made.
QString localFolderFor(const QString& parent, const QString& name);
