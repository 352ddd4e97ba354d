#include "JavaSending.h"

#include "JavaTexts.h"
#include "MenuCopies.h"
#include "SelectorFile.h"
#include "phone/PhoneLink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kMenuName = QStringLiteral("selector.utf");
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

} // namespace

PhoneMenu DownloadSelector(PhoneLink& link, const QString& workingFolder)
{
    PhoneMenu menu;
    menu.path = QDir(workingFolder).filePath(kMenuName);
    if (QFileInfo::exists(menu.path) && !QFile::remove(menu.path))
        return menu;
    if (link.ReadFile(QStringLiteral("/java"), kMenuName, workingFolder) != Outcome::Done)
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
    for (const QFileInfo& file : suiteFiles)
        queue.items << queued(file);
    if (queue.items.size() > kLargestQueue) {
        queue.items.clear();
        queue.text = JavaTexts::SendFailed;
    }
    return queue;
}

SendReport SendQueue(PhoneLink& link, const QList<UploadItem>& queue, const QByteArray& phoneMenu,
                     const QString& copiesFolder)
{
    SendReport report;
    if (!link.isOpen() || queue.isEmpty()) {
        report.text = JavaTexts::SendFailed;
        return report;
    }
    report.menuCopy = saveMenuCopy(phoneMenu, copiesFolder);
    if (report.menuCopy.isEmpty()) {
        report.text = JavaTexts::MenuCopyFailed;
        return report;
    }
    // The old menu goes before the new one is sent. A refusal means there was
    // none; a phone that does not answer gets no files.
    const Outcome deleted = link.DeleteFile(kMenuName, QStringLiteral("/java/"));
    bool sent = deleted == Outcome::Done || deleted == Outcome::Failed;
    for (qsizetype index = 0; sent && index < queue.size(); ++index) {
        UploadItem item = queue.at(index);
        item.PhoneFolder = QStringLiteral("/java");
        item.FileName = QFileInfo(item.LocalPath).fileName();
        sent = link.SendFile(item) == Outcome::Done;
    }
    if (!sent)
        report.text = JavaTexts::SendFailed;
    return report;
}

SendReport SendToPhone(PhoneLink& link, const SelectorModel& model, const QString& workingFolder,
                       const PhoneMenu& menu, bool readHadError, bool lossConfirmed,
                       const QString& copiesFolder)
{
    if (!menu.downloaded)
        return SendReport{JavaTexts::OpenFailed, QString()};
    const JavaQueue queue = QueueForPhone(model, workingFolder, readHadError, lossConfirmed);
    if (queue.text != 0)
        return SendReport{queue.text, QString()};
    return SendQueue(link, queue.items, menu.content, copiesFolder);
}
