#include "FolderCopy.h"

#include "DownloadFrame.h"
#include "PhoneLink.h"

#include <QDir>
#include <QFileInfo>

namespace {

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

struct PlannedFolder
{
    QString phone;
    QString local;
    int depth = 0;
    bool renamed = false; // its local name is not its phone name
};

struct PlannedFile
{
    QString phoneFolder;
    PhoneEntry entry;
    QString localFolder;
    QString localName;
};

class FolderWalk
{
public:
    FolderWalk(PhoneLink& link, const FolderCopyOptions& options, const QString& destination, bool foldsCase,
               FolderCopyTally& tally)
        : link_(link), options_(options), destination_(destination), names_(foldsCase), tally_(tally)
    {}

    // A phone folder to copy into a folder of its name inside the destination.
    void addRoot(const QString& phoneFolder);
    void walk();
    void copyFiles();

private:
    // `where`: what the copy was at, named as failed when the line ended it.
    bool ended(Outcome outcome, const QString& where = {});
    bool withinBounds(const PlannedFolder& folder, qsizetype entries);
    bool makeLocalFolder(const PlannedFolder& folder);
    void copyFile(const PlannedFile& file);

    PhoneLink& link_;
    const FolderCopyOptions& options_;
    const QString destination_;
    LocalNames names_;
    FolderCopyTally& tally_;
    QList<PlannedFolder> queue_;
    QList<PlannedFile> files_;
    int folders_ = 0;
    qsizetype entries_ = 0;
};

bool FolderWalk::ended(Outcome outcome, const QString& where)
{
    if (!stopsTheCopy(outcome))
        return false;
    // A copy cut short by the line is never a copy without failures.
    if (outcome != Outcome::Stopped && !where.isEmpty() && !link_.stopRequested())
        tally_.failed << CopyFailure{where};
    // The user's Stop during a listing cancels it.
    tally_.end = outcome == Outcome::Cancelled && link_.stopRequested() ? Outcome::Stopped : outcome;
    return true;
}

bool FolderWalk::withinBounds(const PlannedFolder& folder, qsizetype entries)
{
    const CopyProblem problem = folder.depth > kDeepestFolder       ? CopyProblem::TooDeep
                                : folders_ > kMostFolders           ? CopyProblem::TooManyFolders
                                : entries_ + entries > kMostEntries ? CopyProblem::TooManyEntries
                                                                    : CopyProblem::NotCopied;
    if (problem == CopyProblem::NotCopied)
        return true;
    tally_.failed << CopyFailure{folder.phone, problem};
    return false;
}

bool FolderWalk::makeLocalFolder(const PlannedFolder& folder)
{
    if (folder.local == destination_)
        return true;
    const QFileInfo info(folder.local);
    if (info.isSymLink() || (info.exists() && !info.isDir()))
        return false;
    return info.exists() || QDir(info.path()).mkdir(info.fileName());
}

// Breadth first: a folder listing itself under two names is caught by the
// number of folders long before it goes deep.
void FolderWalk::walk()
{
    while (!queue_.isEmpty()) {
        // A Stop between two listings cancels none of them: it is seen here.
        if (ended(link_.stopRequested() ? Outcome::Stopped : Outcome::Done))
            return;
        const PlannedFolder folder = queue_.takeFirst();
        ++folders_;
        if (!withinBounds(folder, 0))
            return;
        const ListingResult listing = link_.ListFolder(folder.phone);
        if (ended(listing.outcome, folder.phone))
            return;
        if (listing.outcome != Outcome::Done || !makeLocalFolder(folder)) {
            tally_.failed << CopyFailure{folder.phone};
            continue;
        }
        if (folder.renamed)
            tally_.renamed << KeptAs{folder.phone, QFileInfo(folder.local).fileName()};
        if (!withinBounds(folder, listing.entries.size()))
            return;
        entries_ += listing.entries.size();
        for (const PhoneEntry& entry : listing.entries) {
            const bool safe = isSafeLocalFileName(entry.name);
            if (entry.isFolder && !safe) {
                tally_.failed << CopyFailure{folder.phone + entry.name + QLatin1Char('/')};
                continue;
            }
            // An unsafe file name goes to the link, which refuses it and says why.
            const QString localName = safe ? names_.take(folder.local, entry.name) : entry.name;
            if (entry.isFolder)
                queue_ << PlannedFolder{folder.phone + entry.name + QLatin1Char('/'),
                                        QDir(folder.local).filePath(localName), folder.depth + 1,
                                        localName != entry.name};
            else
                files_ << PlannedFile{folder.phone, entry, folder.local, localName};
        }
    }
}

void FolderWalk::addRoot(const QString& phoneFolder)
{
    const QString name = phoneFolderName(phoneFolder);
    // The root has no name of its own: its copy is the destination itself.
    if (name.isEmpty())
        queue_ << PlannedFolder{phoneFolder, destination_};
    else if (!isSafeLocalFileName(name))
        tally_.failed << CopyFailure{phoneFolder};
    else {
        const QString localName = names_.take(destination_, name);
        queue_ << PlannedFolder{phoneFolder, QDir(destination_).filePath(localName), 0, localName != name};
    }
}

void FolderWalk::copyFiles()
{
    for (qsizetype i = 0; i < files_.size() && tally_.end == Outcome::Done; ++i) {
        if (ended(link_.stopRequested() ? Outcome::Stopped : Outcome::Done))
            return;
        if (options_.beginFile)
            options_.beginFile(static_cast<int>(i + 1), static_cast<int>(files_.size()));
        copyFile(files_.at(i));
    }
}

void FolderWalk::copyFile(const PlannedFile& file)
{
    const QString path = QDir(file.localFolder).filePath(file.localName);
    const bool safe = isSafeLocalFileName(file.localName);
    if (options_.skipUnchanged && safe && unchanged(path, file.entry.size)) {
        ++tally_.skipped;
        return;
    }
    if (options_.mayReplace && safe && QFileInfo::exists(path) && !options_.mayReplace(file.localName)) {
        // The answer may have been to stop the whole copy.
        if (link_.stopRequested())
            tally_.end = Outcome::Stopped;
        else
            ++tally_.skipped;
        return;
    }
    const bool renamed = file.localName != file.entry.name;
    // The link refuses unsafe names and links itself, and says so.
    const QString phonePath = file.phoneFolder + file.entry.name;
    const Outcome outcome = link_.ReadFile(file.phoneFolder.chopped(1), file.entry.name, file.localFolder,
                                           renamed ? file.localName : QString(), file.entry.size);
    if (ended(outcome, phonePath))
        return;
    if (outcome != Outcome::Done) {
        tally_.failed << CopyFailure{phonePath};
        return;
    }
    ++tally_.files;
    tally_.bytes += QFileInfo(path).size();
    if (renamed)
        tally_.renamed << KeptAs{phonePath, file.localName};
}

} // namespace

QString phoneFolderName(const QString& phoneFolder)
{
    return phoneFolder.section(QLatin1Char('/'), -2, -2);
}

FolderCopyTally CopyPhoneFolders(PhoneLink& link, const QStringList& phoneFolders, const QString& destination,
                                 const FolderCopyOptions& options)
{
    FolderCopyTally tally;
    const bool folds = options.foldsCase.has_value() ? *options.foldsCase : foldsCase(destination);
    FolderWalk walk(link, options, destination, folds, tally);
    for (const QString& folder : phoneFolders)
        walk.addRoot(folder);
    walk.walk();
    if (tally.end == Outcome::Done)
        walk.copyFiles();
    return tally;
}
