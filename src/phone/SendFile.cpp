#include "NameCodec.h"
#include "PhoneLink.h"
#include "PhoneObserver.h"
#include "PhoneTexts.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>

Outcome PhoneLink::SendFile(const UploadItem& item)
{
    if (!isOpen() || exchange_.isRunning() || exchange_.lineLetGo())
        return Outcome::NotRun;
    // One busy span for the slices and the clean-up, so a Stop given during
    // the slices still holds when they are done.
    beginBusy();
    const auto idle = qScopeGuard([this] { endBusy(); });
    QFile file(item.LocalPath);
    if (!openUploadFile(file))
        return Outcome::Failed;
    // The entry names the phone, so it must have said who it is.
    if (!IdentifyPhone())
        return isOpen() ? Outcome::TimedOut : Outcome::LineLost;
    // Recorded before the first slice: a lost line or a killed program leaves
    // the partial file to the next connection. Without the record nothing is sent.
    const QString recorded = recordPartialUpload(item);
    if (recorded.isEmpty()) {
        setStatus(1, text(PhoneTexts::JournalUnwritable) + QLatin1Char(' ') + journal_.filePath() +
                         QStringLiteral(": ") + journal_.lastError());
        return Outcome::Failed;
    }
    bool phoneFileStarted = false;
    const Outcome outcome = sendSlices(item, file, phoneFileStarted, recorded);
    // A part of a file is worse than none: the user would take it for the file.
    const bool partial =
        outcome == Outcome::Stopped || outcome == Outcome::Failed || outcome == Outcome::TimedOut;
    const bool tidy = outcome == Outcome::Done || !phoneFileStarted ||
                      (partial && isOpen() && !exchange_.phoneSilent() && removePartialUpload(item));
    if (outcome == Outcome::Done)
        forgetPartialUploads(item);
    else if (tidy)
        journal_.remove(recorded);
    else if (partial)
        setStatus(1, operationText() + QLatin1Char(' ') + text(PhoneTexts::RepairPending) + QLatin1Char(' ') +
                         shownName(item.PhoneFolder + QLatin1Char('/') + item.FileName) + QLatin1Char('.'));
    return outcome;
}

QString PhoneLink::recordPartialUpload(const UploadItem& item)
{
    RepairJournal::Entry entry;
    entry.kind = RepairJournal::Kind::DeletePartial;
    entry.phone = identity_.key();
    entry.phoneShown = identity_.shown();
    entry.device = device_;
    entry.folder = item.PhoneFolder;
    entry.name = item.FileName;
    entry.onTheWay = qMin<qint64>(timing().SliceSize, QFileInfo(item.LocalPath).size());
    return journal_.add(entry);
}

void PhoneLink::forgetPartialUploads(const UploadItem& item)
{
    // A whole file of this name supersedes every part an earlier upload left of it.
    for (const RepairJournal::Entry& entry : journal_.entries()) {
        if (entry.kind == RepairJournal::Kind::DeletePartial && entry.phone == identity_.key() &&
            entry.folder == item.PhoneFolder && entry.name == item.FileName)
            journal_.remove(entry.id);
    }
}

bool PhoneLink::recordSlice(const QString& entryId, qint64 confirmed, qint64 onTheWay)
{
    std::optional<RepairJournal::Entry> entry = journal_.entry(entryId);
    if (!entry)
        return false;
    entry->confirmed = confirmed;
    entry->onTheWay = onTheWay;
    return journal_.update(*entry);
}

bool PhoneLink::removePartialUpload(const UploadItem& item)
{
    const QString reason = operationText();
    const QString folder = item.PhoneFolder + QLatin1Char('/');
    const Outcome deleted = DeleteFile(item.FileName, folder);
    if (deleted == Outcome::Failed) {
        // Refused: either there is no such file, or the phone keeps it; its listing tells.
        const ListingResult listing = ListFolder(folder);
        const bool absent =
            listing.outcome == Outcome::Done &&
            std::none_of(listing.entries.begin(), listing.entries.end(),
                         [&](const PhoneEntry& entry) { return entry.name == item.FileName; });
        setStatus(1, absent ? reason
                            : reason + QLatin1Char(' ') + text(PhoneTexts::PartialKept) + QLatin1Char(' ') +
                                  shownName(item.FileName) + QLatin1Char('!'));
        return absent;
    }
    const bool removed = deleted == Outcome::Done;
    setStatus(1, reason + QLatin1Char(' ') +
                     text(removed ? PhoneTexts::PartialDeleted : PhoneTexts::PartialKept) + QLatin1Char(' ') +
                     shownName(item.FileName) + (removed ? QStringLiteral(".") : QStringLiteral("!")));
    return removed;
}

bool PhoneLink::openUploadFile(QFile& file)
{
    const QString path = file.fileName();
    if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly))
        return true;
    // A file that is there but cannot be opened is not "no longer there".
    const int why = QFileInfo(path).isFile() ? PhoneTexts::UnreadableFileAfter : PhoneTexts::MissingFileAfter;
    report_.observer().message(text(PhoneTexts::MissingFileBefore) + QLatin1Char(' ') + path +
                               QLatin1Char(' ') + text(why));
    return false;
}

Outcome PhoneLink::sendSlices(const UploadItem& item, QFile& file, bool& phoneFileStarted,
                              const QString& entryId)
{
    ExchangeTurn scope(exchange_);
    if (!scope.admitted())
        return Outcome::NotRun;
    exchange_.setTransferRunning(true);
    const auto endOfTransfer = qScopeGuard([this] { exchange_.setTransferRunning(false); });

    // The bytes on disk now are what gets sent, whatever size was noted earlier.
    const qint64 total = file.size();
    report_.progress(0, total);

    const qint64 slice = timing().SliceSize;
    const qint64 sliceCount = total == 0 ? 1 : (total + slice - 1) / slice;
    for (qint64 index = 0; index < sliceCount; ++index) {
        const qint64 offset = index * slice;
        // Between slices: the phone has stored every slice it confirmed.
        if (exchange_.stopRequested()) {
            setStatus(1, text(PhoneTexts::Stopped));
            return Outcome::Stopped;
        }
        // What the phone may hold from here on, so that a repair knows its own leftover.
        if (index > 0 && !recordSlice(entryId, offset, qMin(slice, total - offset))) {
            setStatus(1, text(PhoneTexts::JournalUnwritable) + QLatin1Char(' ') + journal_.filePath() +
                             QStringLiteral(": ") + journal_.lastError());
            return Outcome::Failed;
        }
        const Outcome sent = writeSlice(item, file, offset, qMin(slice, total - offset), phoneFileStarted);
        if (sent == Outcome::Done) {
            report_.progress(offset + qMin(slice, total - offset), total);
            continue;
        }
        if (sent == Outcome::Stopped)
            setStatus(1, text(PhoneTexts::Stopped));
        if (sent == Outcome::TimedOut)
            setStatus(1, operationText() + QLatin1Char(' ') + text(PhoneTexts::UploadTimeOut) +
                             QStringLiteral("!"));
        return sent;
    }
    return Outcome::Done;
}

Outcome PhoneLink::writeSlice(const UploadItem& item, QFile& file, qint64 offset, qint64 length,
                              bool& phoneFileStarted)
{
    QByteArray buffer;
    if (!file.seek(offset) || (buffer = file.read(length)).size() != length) {
        setStatus(1, operationText() + QLatin1Char(' ') + text(PhoneTexts::UploadWriteError) +
                         QStringLiteral("!"));
        return Outcome::Failed;
    }
    // The phone takes the declared length; the copy of the last two bytes that
    // follows it is dropped on the phone's side.
    const QByteArray wire = buffer + buffer.right(2);

    WaitEnd end = exchange_.send(QStringLiteral("AT+QFWF=") + EncodeName(item.PhoneFolder) +
                                 QStringLiteral(",0,") + EncodeName(item.FileName) + QStringLiteral(",1,") +
                                 QString::number(length) + QStringLiteral(",1,") + QString::number(offset));
    CommandDone = false;
    if (end == WaitEnd::Stopped)
        return Outcome::Stopped;
    if (end == WaitEnd::TimedOut)
        return Outcome::TimedOut;
    if (end != WaitEnd::Satisfied)
        return end == WaitEnd::LineLost ? Outcome::LineLost : Outcome::Cancelled;
    // From here the phone may start a file of this name, or wait for this slice's bytes.
    phoneFileStarted = true;
    exchange_.sliceOpened(length);
    end = exchange_.waitUntil(
        [this] { return exchange_.answer().contains('>') || exchange_.answer().contains("ERROR"); });
    if (end == WaitEnd::Cancelled)
        return Outcome::Cancelled;
    if (end == WaitEnd::LineLost)
        return Outcome::LineLost;
    if (end == WaitEnd::TimedOut)
        return Outcome::TimedOut;
    if (!exchange_.answer().contains('>')) {
        // Refused before any byte: the phone takes no data and, for the
        // first slice, keeps whatever file it had.
        exchange_.sliceTaken();
        exchange_.answerEnded();
        if (offset == 0)
            phoneFileStarted = false;
        setStatus(1, text(PhoneTexts::Sending) + QLatin1Char(' ') + shownName(item.FileName) +
                         QStringLiteral("... ") + text(PhoneTexts::UploadWriteError) + QStringLiteral("!"));
        return Outcome::Failed;
    }

    CommandDone = true;
    setStatus(1, text(item.puttingBack ? PhoneTexts::PuttingBack : PhoneTexts::Sending) + QLatin1Char(' ') +
                     shownName(item.FileName) + QStringLiteral("..."));

    // An "OK" that came with the prompt cannot confirm data not yet sent; only
    // a slice without data may be confirmed at once.
    exchange_.answer() =
        wire.isEmpty() ? exchange_.answer().mid(exchange_.answer().indexOf('>') + 1) : QByteArray();
    exchange_.write(wire);
    // The phone's pause runs alongside the data; the next command waits for its end.
    exchange_.startPause();
    exchange_.measureSilenceFor(timing().TimeOutTime + 2 * exchange_.lineMillis(wire.size()));
    // What arrives while our data is still leaving is not its confirmation.
    qsizetype confirmedFrom = wire.isEmpty() ? 0 : -1;
    auto noteHandOver = [&] {
        if (confirmedFrom < 0 && exchange_.line().bytesToWrite() == 0)
            confirmedFrom = exchange_.answer().size();
    };
    exchange_.setSink([&](const QByteArray& chunk) {
        noteHandOver();
        exchange_.answer() += chunk;
    });
    end = exchange_.waitUntil([&] {
        noteHandOver();
        return exchange_.answer().contains("ERROR") ||
               (confirmedFrom >= 0 && exchange_.answer().indexOf("OK", confirmedFrom) >= 0);
    });
    exchange_.setSink(nullptr);
    exchange_.stopTimeOut();
    if (exchange_.line().bytesToWrite() == 0 && end != WaitEnd::Cancelled)
        exchange_.sliceTaken();
    if (end == WaitEnd::Satisfied)
        exchange_.answerEnded();
    if (end == WaitEnd::Cancelled)
        return Outcome::Cancelled;
    if (end == WaitEnd::LineLost)
        return Outcome::LineLost;
    if (exchange_.answer().contains("ERROR")) {
        // A refused first slice was not stored: the phone holds no part of this file.
        if (offset == 0)
            phoneFileStarted = false;
        // A slice the phone did not store would leave a hole in the file.
        setStatus(1, operationText() + QLatin1Char(' ') + text(PhoneTexts::UploadPhoneError) +
                         QStringLiteral("!"));
        return Outcome::Failed;
    }
    if (end == WaitEnd::TimedOut)
        return Outcome::TimedOut;
    return Outcome::Done;
}
