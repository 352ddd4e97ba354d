#pragma once

#include "LocalNames.h"
#include "PhoneTypes.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

class PhoneLink;

// Why a phone file or folder was not copied.
enum class CopyProblem
{
    NotCopied,      // the link said why in its status text
    TooDeep,        // below the deepest level a walk goes
    TooManyFolders, // the walk stopped at its number of folders
    TooManyEntries  // the walk stopped at its number of files and folders
};

struct CopyFailure
{
    QString path; // on the phone; a folder ends with "/"
    CopyProblem problem = CopyProblem::NotCopied;
};

// A phone file saved under another name: its phone name lands on a local
// name another file of the same copy took (case on a disk that ignores it,
// characters the disk cannot hold).
struct KeptAs
{
    QString path;      // on the phone
    QString localName; // the name it has in its local folder
};

// What copying a phone folder with its sub-folders came to.
struct FolderCopyTally
{
    int files = 0;    // copied
    qint64 bytes = 0; // of the copied files, as written
    int skipped = 0;  // unchanged on the local side, left as they were
    QList<CopyFailure> failed;
    QList<KeptAs> renamed;
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
    // Told before each file is read: which one of how many in the whole copy.
    std::function<void(int number, int count)> beginFile;
    // Whether the destination takes "a" and "A" for one name; unset, the
    // destination is asked.
    std::optional<bool> foldsCase;
};

// At most this many levels, folders and entries per copy: a phone whose
// folders list themselves must not walk the disk full.
inline constexpr int kDeepestFolder = 64;
inline constexpr int kMostFolders = 10000;
inline constexpr int kMostEntries = 100000;

// Copies each of `phoneFolders` (with their closing "/") with its files and
// sub-folders into a folder of its name inside `destination`, which must
// exist (the root's content into `destination` itself). The folders are
// listed first, then the files copied; a folder that cannot be listed leaves
// no local folder. A name that could leave its folder (or a link standing in
// its place) is not followed but counted as failed. No file or folder of the
// copy replaces another one of it: a name already taken gets a number.
FolderCopyTally CopyPhoneFolders(PhoneLink& link, const QStringList& phoneFolders, const QString& destination,
                                 const FolderCopyOptions& options = {});

// The name of a phone folder's local copy: its last name ("/ml/im/" gives
// "im"); empty for the root.
QString phoneFolderName(const QString& phoneFolder);
