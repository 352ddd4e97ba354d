#include "FolderCopy.h"

#include "DownloadFrame.h"
#include "PhoneLink.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Deeper than any phone's folders: a phone listing a folder inside itself
// for ever must not walk the disk full.
constexpr int kDeepestFolder = 64;

bool stopsTheCopy(Outcome outcome)
{
    return outcome == Outcome::Cancelled || outcome == Outcome::LineLost || outcome == Outcome::NotRun ||
           outcome == Outcome::Stopped;
}

bool unchanged(const QString& path, qint64 size)
{
    const QFileInfo local(path);
    return local.isFile() && !local.isSymLink() && local.size() == size;
}

void copyInto(PhoneLink& link, const QString& phoneFolder, const QString& localFolder,
              const FolderCopyOptions& options, int depth, FolderCopyTally& tally)
{
    const ListingResult listing = link.ListFolder(phoneFolder);
    if (stopsTheCopy(listing.outcome)) {
        tally.end = listing.outcome;
        // A copy cut short by the line is never a copy without failures.
        if (listing.outcome != Outcome::Stopped)
            tally.failed << phoneFolder;
        return;
    }
    if (listing.outcome != Outcome::Done || depth > kDeepestFolder) {
        tally.failed << phoneFolder;
        return;
    }
    QList<PhoneEntry> folders;
    for (const PhoneEntry& entry : listing.entries) {
        if (entry.isFolder) {
            folders << entry;
            continue;
        }
        const QString path = QDir(localFolder).filePath(entry.name);
        if (options.skipUnchanged && isSafeLocalFileName(entry.name) && unchanged(path, entry.size)) {
            ++tally.skipped;
            continue;
        }
        if (options.mayReplace && isSafeLocalFileName(entry.name) && QFileInfo::exists(path) &&
            !options.mayReplace(entry.name)) {
            // The answer may have been to stop the whole copy.
            if (link.stopRequested()) {
                tally.end = Outcome::Stopped;
                return;
            }
            ++tally.skipped;
            continue;
        }
        // The link refuses unsafe names and links itself, and says so.
        const Outcome outcome = link.ReadFile(phoneFolder.chopped(1), entry.name, localFolder);
        if (stopsTheCopy(outcome)) {
            tally.end = outcome;
            if (outcome != Outcome::Stopped)
                tally.failed << phoneFolder + entry.name;
            return;
        }
        if (outcome != Outcome::Done) {
            tally.failed << phoneFolder + entry.name;
            continue;
        }
        ++tally.files;
        tally.bytes += QFileInfo(path).size();
    }
    for (const PhoneEntry& folder : folders) {
        const QString phonePath = phoneFolder + folder.name + QLatin1Char('/');
        const QString local = localFolderFor(localFolder, folder.name);
        if (local.isEmpty()) {
            tally.failed << phonePath;
            continue;
        }
        copyInto(link, phonePath, local, options, depth + 1, tally);
        if (tally.end != Outcome::Done)
            return;
    }
}

} // namespace

QString phoneFolderName(const QString& phoneFolder)
{
    return phoneFolder.section(QLatin1Char('/'), -2, -2);
}

QString localFolderFor(const QString& parent, const QString& name)
{
    if (!isSafeLocalFileName(name))
        return {};
    const QString path = QDir(parent).filePath(name);
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        return {};
    if (!info.exists() && !QDir(parent).mkdir(name))
        return {};
    return path;
}

FolderCopyTally CopyPhoneFolder(PhoneLink& link, const QString& phoneFolder, const QString& localFolder,
                                const FolderCopyOptions& options)
{
    FolderCopyTally tally;
    copyInto(link, phoneFolder, localFolder, options, 0, tally);
    return tally;
}
