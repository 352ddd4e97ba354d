#include "CarryOutRepairs.h"

#include "PhoneLink.h"
#include "PhoneTexts.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>

namespace {

using Entry = RepairJournal::Entry;
using Kind = RepairJournal::Kind;

// An entry tried at this many connections, or whose phone has not been seen
// for this long, ends: the journal must not grow for ever.
constexpr int kMostTries = 10;
constexpr qint64 kLongestAbsenceMillis = 30LL * 24 * 60 * 60 * 1000;

enum class RepairEnd
{
    Done,     // the phone confirmed it and its listing agrees
    NotOurs,  // the phone holds something this program did not leave: left as it is
    CopyGone, // the saved copy is missing or changed: nothing to put back
    Nothing,  // what the entry was for is gone already, or was never lost
    Left      // not possible now: tried again at the next connection
};

// What the phone's folders hold, listed once per folder and again after a change.
class FolderView
{
public:
    explicit FolderView(PhoneLink& link) : link_(link) {}

    // The listed size of `name`: nullopt when absent; false when the folder could not be listed.
    bool sizeOf(const QString& folder, const QString& name, std::optional<qint64>& size)
    {
        if (!listings_.contains(folder)) {
            const ListingResult listing = link_.ListFolder(folder + QLatin1Char('/'));
            if (listing.outcome != Outcome::Done)
                return false;
            listings_.insert(folder, listing.entries);
        }
        size.reset();
        for (const PhoneEntry& entry : listings_.value(folder)) {
            if (!entry.isFolder && entry.name == name)
                size = entry.size;
        }
        return true;
    }
    void changed(const QString& folder) { listings_.remove(folder); }

private:
    PhoneLink& link_;
    QHash<QString, QList<PhoneEntry>> listings_;
};

bool copyIsIntact(const Entry& entry)
{
    return QFileInfo(entry.copyPath).isFile() && QFileInfo(entry.copyPath).size() == entry.copySize &&
           RepairJournal::checksumOf(entry.copyPath) == entry.copySum;
}

RepairEnd deletePartial(PhoneLink& link, FolderView& view, const Entry& entry)
{
    std::optional<qint64> size;
    if (!view.sizeOf(entry.folder, entry.name, size))
        return RepairEnd::Left;
    if (!size)
        return RepairEnd::Nothing;
    if (!entry.fitsPartial(*size))
        return RepairEnd::NotOurs;
    const Outcome deleted = link.DeleteFile(entry.name, entry.folder + QLatin1Char('/'));
    view.changed(entry.folder);
    if (deleted != Outcome::Done || !view.sizeOf(entry.folder, entry.name, size))
        return RepairEnd::Left;
    return size ? RepairEnd::Left : RepairEnd::Done;
}

// True when the phone's file has the copy's bytes: read once more and compared.
bool phoneHoldsCopy(PhoneLink& link, const Entry& entry)
{
    QDir().mkpath(link.journal().copiesFolder());
    QTemporaryDir scratch(link.journal().copiesFolder() + QStringLiteral("/check-XXXXXX"));
    return scratch.isValid() &&
           link.ReadFile(entry.folder, entry.name, scratch.path(), {}, entry.copySize) == Outcome::Done &&
           RepairJournal::checksumOf(QDir(scratch.path()).filePath(entry.name)) == entry.copySum;
}

RepairEnd putBack(PhoneLink& link, FolderView& view, const Entry& entry)
{
    if (!copyIsIntact(entry))
        return RepairEnd::CopyGone;
    std::optional<qint64> size;
    if (!view.sizeOf(entry.folder, entry.name, size))
        return RepairEnd::Left;
    // The name holds a file the partial-file repair did not take for its own:
    // the earlier file itself when the upload never reached the phone.
    if (size)
        return size == entry.copySize && phoneHoldsCopy(link, entry) ? RepairEnd::Nothing
                                                                     : RepairEnd::NotOurs;
    UploadItem item;
    item.LocalPath = entry.copyPath;
    item.PhoneFolder = entry.folder;
    item.FileName = entry.name;
    item.FileSize = entry.copySize;
    item.puttingBack = true;
    const Outcome sent = link.SendFile(item);
    view.changed(entry.folder);
    if (sent != Outcome::Done || !view.sizeOf(entry.folder, entry.name, size))
        return RepairEnd::Left;
    return size == entry.copySize ? RepairEnd::Done : RepairEnd::Left;
}

// Copies the journal made for itself go once they are back on the phone:
// their own folder in the copies folder, never anything else a journal names.
void dropCopy(const RepairJournal& journal, const Entry& entry)
{
    if (!entry.ownsCopy || entry.copyPath.isEmpty())
        return;
    const QString folder = QFileInfo(entry.copyPath).absolutePath();
    if (QFileInfo(folder).absolutePath() == QFileInfo(journal.copiesFolder()).absoluteFilePath())
        QDir(folder).removeRecursively();
    else
        QFile::remove(entry.copyPath);
}

bool putBackFollows(const QList<Entry>& entries, const Entry& partial)
{
    return partial.kind == Kind::DeletePartial &&
           std::any_of(entries.begin(), entries.end(), [&](const Entry& entry) {
               return entry.kind == Kind::RestoreFile && entry.folder == partial.folder &&
                      entry.name == partial.name;
           });
}

// A sentence on a journal entry that ends without being carried out.
QString endedText(const PhoneLink& link, int textNumber, const Entry& entry)
{
    QString sentence =
        link.text(textNumber) + QLatin1Char(' ') + link.shownName(entry.phonePath()) + QLatin1Char('.');
    if (entry.kind == Kind::RestoreFile && QFileInfo::exists(entry.copyPath))
        sentence += QLatin1Char(' ') + link.text(PhoneTexts::RepairCopyKept) + QLatin1Char(' ') +
                    QDir::toNativeSeparators(entry.copyPath) + QLatin1Char('.');
    return sentence;
}

} // namespace

int CarryOutRepairs(PhoneLink& link, QString& report)
{
    report.clear();
    if (!link.isOpen() || !link.IdentifyPhone())
        return 0;
    RepairJournal& journal = link.journal();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QList<Entry> mine;
    QStringList ended; // sentences on entries that end without being carried out
    for (Entry entry : journal.entries()) {
        // The line is in step now: no phone on it waits for a slice any more.
        if (entry.device == link.device() && entry.sliceOpen) {
            entry.sliceOpen = false;
            journal.update(entry);
        }
        if (entry.phone == link.identity().key()) {
            mine << entry;
        } else if (now - entry.lastSeenAt > kLongestAbsenceMillis) {
            journal.remove(entry.id);
            ended << endedText(link, PhoneTexts::RepairPhoneGone, entry);
        }
    }
    // Partial files first: putting an old file back may itself have been cut short.
    std::stable_partition(mine.begin(), mine.end(),
                          [](const Entry& entry) { return entry.kind == Kind::DeletePartial; });
    FolderView view(link);
    QStringList done;
    QStringList left;
    for (Entry entry : mine) {
        if (!link.isOpen()) {
            left << link.shownName(entry.phonePath());
            continue;
        }
        const RepairEnd end =
            entry.kind == Kind::DeletePartial ? deletePartial(link, view, entry) : putBack(link, view, entry);
        switch (end) {
        case RepairEnd::Done:
            done << link.text(entry.kind == Kind::DeletePartial ? PhoneTexts::RepairDeleted
                                                                : PhoneTexts::RepairRestored) +
                        QLatin1Char(' ') + link.shownName(entry.phonePath());
            dropCopy(journal, entry);
            journal.remove(entry.id);
            break;
        case RepairEnd::Nothing:
            dropCopy(journal, entry);
            journal.remove(entry.id);
            break;
        case RepairEnd::NotOurs:
            // The put-back of the same file says it, with where the copy is.
            if (!putBackFollows(mine, entry))
                ended << endedText(link, PhoneTexts::RepairNotOurs, entry);
            journal.remove(entry.id);
            break;
        case RepairEnd::CopyGone:
            ended << link.text(PhoneTexts::RepairCopyGone) + QLatin1Char(' ') +
                         link.shownName(entry.phonePath()) + QLatin1Char('.');
            journal.remove(entry.id);
            break;
        case RepairEnd::Left:
            entry.lastSeenAt = now;
            if (++entry.tries >= kMostTries) {
                ended << endedText(link, PhoneTexts::RepairGaveUp, entry);
                journal.remove(entry.id);
            } else {
                journal.update(entry);
                left << link.shownName(entry.phonePath());
            }
            break;
        }
    }
    QStringList said;
    if (!done.isEmpty())
        said << link.text(PhoneTexts::Repaired) + QLatin1Char(' ') + done.join(QStringLiteral("; ")) +
                    QLatin1Char('.');
    said << ended;
    if (!left.isEmpty())
        said << link.text(PhoneTexts::RepairPending) + QLatin1Char(' ') + left.join(QStringLiteral(", ")) +
                    QLatin1Char('.');
    report = said.join(QLatin1Char(' '));
    if (!said.isEmpty())
        link.setOperationText(report);
    return static_cast<int>(done.size());
}
