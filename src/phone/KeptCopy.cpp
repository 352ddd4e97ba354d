#include "KeptCopy.h"

#include "PhoneLink.h"
#include "PhoneTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

QString RecordPutBack(PhoneLink& link, const QString& folder, const QString& name, const QString& copyPath,
                      bool ownsCopy)
{
    if (!link.IdentifyPhone())
        return QString();
    RepairJournal::Entry entry;
    entry.kind = RepairJournal::Kind::RestoreFile;
    entry.phone = link.identity().key();
    entry.phoneShown = link.identity().shown();
    entry.device = link.device();
    entry.sliceOpen = false;
    entry.folder = folder;
    entry.name = name;
    entry.copyPath = copyPath;
    entry.copySize = QFileInfo(copyPath).size();
    entry.copySum = RepairJournal::checksumOf(copyPath);
    entry.ownsCopy = ownsCopy;
    const QString id = entry.copySum.isEmpty() ? QString() : link.journal().add(entry);
    if (id.isEmpty())
        link.setOperationText(link.text(PhoneTexts::JournalUnwritable) + QLatin1Char(' ') +
                              link.journal().filePath() + QStringLiteral(": ") + link.journal().lastError());
    return id;
}

std::optional<KeptCopy> KeepPhoneFile(PhoneLink& link, const UploadItem& item)
{
    const QString copies = link.journal().copiesFolder();
    QDir().mkpath(copies);
    // A folder of its own: files of one name from several phone folders do not meet.
    QTemporaryDir folder(copies + QStringLiteral("/XXXXXX"));
    folder.setAutoRemove(false);
    const Outcome outcome =
        folder.isValid() ? link.ReadFile(item.PhoneFolder, item.FileName, folder.path()) : Outcome::Failed;
    KeptCopy kept;
    kept.path = QDir(folder.path()).filePath(item.FileName);
    if (outcome == Outcome::Done)
        kept.entryId = RecordPutBack(link, item.PhoneFolder, item.FileName, kept.path, true);
    if (outcome == Outcome::Done && !kept.entryId.isEmpty())
        return kept;
    QDir(folder.path()).removeRecursively();
    if (outcome != Outcome::Stopped && outcome != Outcome::Cancelled && outcome != Outcome::LineLost)
        link.setOperationText(link.operationText() + QLatin1Char(' ') + link.text(PhoneTexts::NotKept) +
                              QLatin1Char(' ') + link.shownName(item.FileName) + QLatin1Char('.'));
    return std::nullopt;
}

void DropKeptCopy(PhoneLink& link, const KeptCopy& kept)
{
    link.journal().remove(kept.entryId);
    QDir(QFileInfo(kept.path).absolutePath()).removeRecursively();
}

void SettleKeptCopy(PhoneLink& link, const KeptCopy& kept, const UploadItem& item, Outcome upload,
                    const std::function<void()>& beforePutBack)
{
    if (upload == Outcome::Done || upload == Outcome::NotRun)
        return DropKeptCopy(link, kept);
    // What the upload said (why it ended, what became of its part) stays in front.
    const QString said = link.operationText();
    Outcome restored = Outcome::NotRun;
    if (link.isOpen() && upload != Outcome::Cancelled) {
        UploadItem back = item;
        back.LocalPath = kept.path;
        back.FileSize = QFileInfo(kept.path).size();
        back.puttingBack = true;
        // A Stop ended the new file, not the repair: the phone needs its old one.
        link.forgetStop();
        if (beforePutBack)
            beforePutBack();
        restored = link.SendFile(back);
    }
    if (restored == Outcome::Done) {
        DropKeptCopy(link, kept);
        link.setOperationText(said + QLatin1Char(' ') + link.text(PhoneTexts::PutBack) + QLatin1Char(' ') +
                              link.shownName(item.FileName) + QLatin1Char('.'));
        return;
    }
    link.setOperationText(said + QLatin1Char(' ') + link.text(PhoneTexts::CopyKeptIn) + QLatin1Char(' ') +
                          QDir::toNativeSeparators(kept.path) + QStringLiteral(". ") +
                          link.text(PhoneTexts::PutBackLater));
}

Outcome SendReplacing(PhoneLink& link, const UploadItem& item)
{
    const std::optional<KeptCopy> kept = KeepPhoneFile(link, item);
    if (!kept)
        return Outcome::Failed;
    const Outcome outcome = link.SendFile(item);
    SettleKeptCopy(link, *kept, item, outcome);
    return outcome;
}
