#include "PhoneLink.h"
#include "PhoneOperations.h"
#include "PhoneTexts.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>

namespace {

// The journal's entry for the partial file, written before the first slice.
QString recordPartialUpload(PhoneLink& link, const UploadItem& item)
{
    RepairJournal::Entry entry;
    entry.kind = RepairJournal::Kind::DeletePartial;
    entry.phone = link.identity().key();
    entry.phoneShown = link.identity().shown();
    entry.device = link.device();
    entry.folder = item.PhoneFolder;
    entry.name = item.FileName;
    entry.onTheWay = qMin<qint64>(link.timing().SliceSize, QFileInfo(item.LocalPath).size());
    return link.journal().add(entry);
}

void forgetPartialUploads(PhoneLink& link, const UploadItem& item)
{
    // A whole file of this name supersedes every part an earlier upload left of it.
    RepairJournal& journal = link.journal();
    for (const RepairJournal::Entry& entry : journal.entries()) {
        if (entry.kind == RepairJournal::Kind::DeletePartial && entry.phone == link.identity().key() &&
            entry.folder == item.PhoneFolder && entry.name == item.FileName)
            journal.remove(entry.id);
    }
}

bool recordSlice(RepairJournal& journal, const QString& entryId, qint64 confirmed, qint64 onTheWay)
{
    std::optional<RepairJournal::Entry> entry = journal.entry(entryId);
    if (!entry)
        return false;
    entry->confirmed = confirmed;
    entry->onTheWay = onTheWay;
    return journal.update(*entry);
}

void sayJournalUnwritable(PhoneLink& link)
{
    link.setOperationText(link.text(PhoneTexts::JournalUnwritable) + QLatin1Char(' ') +
                          link.journal().filePath() + QStringLiteral(": ") + link.journal().lastError());
}

// True when no part of the file is left on the phone.
bool removePartialUpload(PhoneLink& link, const UploadItem& item)
{
    const QString reason = link.operationText();
    const QString folder = item.PhoneFolder + QLatin1Char('/');
    const Outcome deleted = link.DeleteFile(item.FileName, folder);
    if (deleted == Outcome::Failed) {
        // Refused: either there is no such file, or the phone keeps it; its listing tells.
        const ListingResult listing = link.ListFolder(folder);
        const bool absent =
            listing.outcome == Outcome::Done &&
            std::none_of(listing.entries.begin(), listing.entries.end(),
                         [&](const PhoneEntry& entry) { return entry.name == item.FileName; });
        link.setOperationText(absent
                                  ? reason
                                  : reason + QLatin1Char(' ') + link.text(PhoneTexts::PartialKept) +
                                        QLatin1Char(' ') + link.shownName(item.FileName) + QLatin1Char('!'));
        return absent;
    }
    const bool removed = deleted == Outcome::Done;
    link.setOperationText(reason + QLatin1Char(' ') +
                          link.text(removed ? PhoneTexts::PartialDeleted : PhoneTexts::PartialKept) +
                          QLatin1Char(' ') + link.shownName(item.FileName) +
                          (removed ? QStringLiteral(".") : QStringLiteral("!")));
    return removed;
}

} // namespace

Outcome PhoneLink::SendFile(const UploadItem& item)
{
    if (!isOpen() || exchange_.isRunning() || exchange_.lineLetGo())
        return Outcome::NotRun;
    // One busy span for the slices and the clean-up, so a Stop given during
    // the slices still holds when they are done.
    beginBusy();
    const auto idle = qScopeGuard([this] { endBusy(); });
    QFile file(item.LocalPath);
    if (!phone::OpenUploadFile(report_, file))
        return Outcome::Failed;
    // The entry names the phone, so it must have said who it is.
    if (!IdentifyPhone())
        return isOpen() ? Outcome::TimedOut : Outcome::LineLost;
    // Recorded before the first slice: a lost line or a killed program leaves
    // the partial file to the next connection. Without the record nothing is sent.
    const QString recorded = recordPartialUpload(*this, item);
    if (recorded.isEmpty()) {
        sayJournalUnwritable(*this);
        return Outcome::Failed;
    }
    bool phoneFileStarted = false;
    const Outcome outcome = phone::SendSlices(
        exchange_, report_, item, file, phoneFileStarted, [&](qint64 confirmed, qint64 onTheWay) {
            const bool noted = recordSlice(journal_, recorded, confirmed, onTheWay);
            if (!noted)
                sayJournalUnwritable(*this);
            return noted;
        });
    // A part of a file is worse than none: the user would take it for the file.
    const bool partial =
        outcome == Outcome::Stopped || outcome == Outcome::Failed || outcome == Outcome::TimedOut;
    const bool tidy = outcome == Outcome::Done || !phoneFileStarted ||
                      (partial && isOpen() && !exchange_.phoneSilent() && removePartialUpload(*this, item));
    if (outcome == Outcome::Done)
        forgetPartialUploads(*this, item);
    else if (tidy)
        journal_.remove(recorded);
    else if (partial)
        setStatus(1, operationText() + QLatin1Char(' ') + text(PhoneTexts::RepairPending) + QLatin1Char(' ') +
                         shownName(item.PhoneFolder + QLatin1Char('/') + item.FileName) + QLatin1Char('.'));
    return outcome;
}
