#include "JavaSending.h"

#include "JavaTexts.h"
#include "MenuCopies.h"
#include "SelectorFile.h"
#include "phone/KeptCopy.h"
#include "phone/PhoneLink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kMenuName = QStringLiteral("selector.utf");
const QString kJavaFolder = QStringLiteral("/java");
const QString kJavaMarker = QStringLiteral("</java>");
// The phone link's list holds at most this many files.
constexpr int kLargestQueue = 256;

UploadItem queued(const QFileInfo& file)
{
    UploadItem item;
    item.LocalPath = file.absoluteFilePath();
    item.PhoneFolder = kJavaMarker;
    item.FileName = file.fileName();
    item.FileSize = file.size();
    return item;
}

// A queued file as it goes to the phone: into "/java" under its local name.
UploadItem forPhone(const QString& localPath, const QString& phoneName)
{
    UploadItem item;
    item.LocalPath = localPath;
    item.PhoneFolder = kJavaFolder;
    item.FileName = phoneName;
    item.FileSize = QFileInfo(localPath).size();
    return item;
}

// "s2_suite.jar" belongs to the suite of root "s2_".
QByteArray rootOf(const QString& suiteFile)
{
    return suiteFile.left(suiteFile.indexOf(QLatin1String("suite."))).toUtf8();
}

// Puts the saved copy back under the menu's name; the journal entry goes once it is there.
bool restoreMenu(PhoneLink& link, const QString& copy, const QString& repairId)
{
    // A Stop ended the new menu, not the repair: the phone needs a menu.
    link.forgetStop();
    UploadItem item = forPhone(copy, kMenuName);
    item.puttingBack = true;
    if (!link.isOpen() || link.SendFile(item) != Outcome::Done)
        return false;
    link.journal().remove(repairId);
    return true;
}

// The names "/java" holds now; nullopt when it could not be listed.
std::optional<QStringList> javaFileNames(PhoneLink& link)
{
    const ListingResult listing = link.ListFolder(kJavaFolder + QLatin1Char('/'));
    if (listing.outcome != Outcome::Done)
        return std::nullopt;
    QStringList names;
    for (const PhoneEntry& entry : listing.entries) {
        if (!entry.isFolder)
            names << entry.name;
    }
    return names;
}

} // namespace

PhoneMenu DownloadSelector(PhoneLink& link, const QString& workingFolder)
{
    PhoneMenu menu;
    menu.path = QDir(workingFolder).filePath(kMenuName);
    if (QFileInfo::exists(menu.path) && !QFile::remove(menu.path))
        return menu;
    if (link.ReadFile(kJavaFolder, kMenuName, workingFolder) != Outcome::Done)
        return menu;
    QFile file(menu.path);
    if (!file.open(QIODevice::ReadOnly))
        return menu;
    menu.content = file.readAll();
    menu.downloaded = true;
    return menu;
}

JavaQueue QueueForPhone(const SelectorModel& model, const QString& workingFolder, bool readHadError,
                        bool lossConfirmed)
{
    JavaQueue queue;
    if (readHadError && !lossConfirmed) {
        queue.text = JavaTexts::ConfirmLoss;
        return queue;
    }
    const QDir working(workingFolder);
    const QString selectorPath = working.filePath(kMenuName);
    if (!WriteSelector(model, selectorPath)) {
        queue.text = JavaTexts::WriteFailed;
        return queue;
    }
    queue.items << queued(QFileInfo(selectorPath));
    const QFileInfoList suiteFiles =
        working.entryInfoList({QStringLiteral("s*_suite.*")}, QDir::Files, QDir::Name);
    for (const QFileInfo& file : suiteFiles) {
        if (model.rootInUse(rootOf(file.fileName())))
            queue.items << queued(file);
    }
    if (queue.items.size() > kLargestQueue) {
        queue.items.clear();
        queue.text = JavaTexts::SendFailed;
    }
    return queue;
}

SendReport SendQueue(PhoneLink& link, const QList<UploadItem>& queue, const QByteArray& phoneMenu,
                     const QString& copiesFolder, const SendOne& sendOne)
{
    const SendOne send = sendOne ? sendOne : [&link](const UploadItem& item) { return link.SendFile(item); };
    SendReport report;
    const auto menu = std::find_if(queue.begin(), queue.end(), [](const UploadItem& item) {
        return QFileInfo(item.LocalPath).fileName() == kMenuName;
    });
    if (!link.isOpen() || menu == queue.end()) {
        report.text = JavaTexts::SendFailed;
        return report;
    }
    report.menuCopy = saveMenuCopy(phoneMenu, copiesFolder);
    if (report.menuCopy.isEmpty()) {
        report.text = JavaTexts::MenuCopyFailed;
        return report;
    }
    report.text = JavaTexts::SendFailed;
    // A file of a new suite's name already there (left by an earlier suite) is kept until the end.
    const std::optional<QStringList> onPhone = javaFileNames(link);
    if (!onPhone)
        return report;
    // New suites' files that no menu on the phone names once the sending failed.
    QStringList sentSuiteFiles;
    QList<QPair<KeptCopy, UploadItem>> replaced;
    const auto withdrawSuiteFiles = [&] {
        for (const QString& name : std::as_const(sentSuiteFiles)) {
            if (link.isOpen())
                link.DeleteFile(name, kJavaFolder + QLatin1Char('/'));
        }
        for (const auto& [kept, item] : std::as_const(replaced))
            SettleKeptCopy(link, kept, item, Outcome::Failed);
        return report;
    };
    for (const UploadItem& item : queue) {
        const QString name = QFileInfo(item.LocalPath).fileName();
        if (name == kMenuName)
            continue;
        const UploadItem suiteFile = forPhone(item.LocalPath, name);
        std::optional<KeptCopy> kept;
        if (onPhone->contains(name) && !(kept = KeepPhoneFile(link, suiteFile)))
            return withdrawSuiteFiles();
        if (kept)
            replaced.append({*kept, suiteFile});
        if (send(suiteFile) != Outcome::Done)
            return withdrawSuiteFiles();
        if (!kept)
            sentSuiteFiles << name;
    }
    // Noted before the deletion: from here on a lost line or a killed program
    // would leave the phone without a menu. The copy stays as the menu's history.
    const QString repairId = RecordPutBack(link, kJavaFolder, kMenuName, report.menuCopy, false);
    if (repairId.isEmpty())
        return withdrawSuiteFiles();
    // A refusal means there was none; a phone that does not answer may still hold it.
    const Outcome deleted = link.DeleteFile(kMenuName, kJavaFolder + QLatin1Char('/'));
    if (deleted != Outcome::Done && deleted != Outcome::Failed) {
        report.holds = PhoneHolds::NoMenu;
        return report;
    }
    const Outcome sent = send(forPhone(menu->LocalPath, kMenuName));
    if (sent == Outcome::Done) {
        link.journal().remove(repairId);
        for (const auto& [kept, item] : std::as_const(replaced))
            DropKeptCopy(link, kept);
        report.text = 0;
        report.holds = PhoneHolds::NewMenu;
        return report;
    }
    const bool restored = sent != Outcome::Cancelled && restoreMenu(link, report.menuCopy, repairId);
    report.holds = restored ? PhoneHolds::EarlierMenu : PhoneHolds::NoMenu;
    return withdrawSuiteFiles();
}

SendReport SendToPhone(PhoneLink& link, const SelectorModel& model, const QString& workingFolder,
                       const PhoneMenu& menu, bool readHadError, bool lossConfirmed,
                       const QString& copiesFolder)
{
    if (!menu.downloaded)
        return SendReport{JavaTexts::OpenFailed, QString(), PhoneHolds::EarlierMenu};
    const JavaQueue queue = QueueForPhone(model, workingFolder, readHadError, lossConfirmed);
    if (queue.text != 0)
        return SendReport{queue.text, QString(), PhoneHolds::EarlierMenu};
    return SendQueue(link, queue.items, menu.content, copiesFolder);
}

int holdsText(const SendReport& report)
{
    switch (report.holds) {
    case PhoneHolds::NewMenu:
        return JavaTexts::HoldsNewMenu;
    case PhoneHolds::EarlierMenu:
        return JavaTexts::HoldsEarlierMenu;
    case PhoneHolds::NoMenu:
        break;
    }
    return JavaTexts::HoldsNoMenu;
}

QString sendingText(const PhoneLink& link, const SendReport& report)
{
    QStringList lines;
    if (report.text != 0)
        lines << link.text(report.text);
    lines << link.text(holdsText(report));
    if (!report.menuCopy.isEmpty())
        lines << link.text(JavaTexts::MenuCopyKept) + QLatin1Char(' ') +
                     QDir::toNativeSeparators(report.menuCopy) + QLatin1Char('.');
    return lines.join(QLatin1Char('\n'));
}

QByteArrayList removedRoots(const QByteArray& phoneMenu, const SelectorModel& model)
{
    SelectorModel before;
    ReadSelector(phoneMenu, before);
    QByteArrayList roots;
    for (const JavaSuite& suite : before.JavaSuites) {
        if (!suite.Root.isEmpty() && before.isListed(suite) && !model.rootInUse(suite.Root) &&
            !roots.contains(suite.Root))
            roots << suite.Root;
    }
    return roots;
}

bool DeleteSuiteFiles(PhoneLink& link, const QByteArrayList& roots)
{
    if (roots.isEmpty())
        return true;
    const ListingResult listing = link.ListFolder(kJavaFolder + QLatin1Char('/'));
    if (listing.outcome != Outcome::Done)
        return false;
    bool allDeleted = true;
    for (const QByteArray& root : roots) {
        const QString prefix = displayText(root) + QStringLiteral("suite.");
        for (const PhoneEntry& entry : listing.entries) {
            if (!entry.isFolder && entry.name.startsWith(prefix) &&
                link.DeleteFile(entry.name, kJavaFolder + QLatin1Char('/')) != Outcome::Done)
                allDeleted = false;
        }
    }
    return allDeleted;
}
