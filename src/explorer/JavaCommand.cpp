#include "CommandScope.h"
#include "ExplorerWindow.h"
#include "LocalPane.h"
#include "java/JavaTexts.h"
#include "java/JavaWindow.h"
#include "java/MenuCopies.h"
#include "settings/LanguageTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTemporaryDir>

namespace {

constexpr int kJavaFavourite = 5;
constexpr int kSendQuestion = 111;
const QString kJavaMarker = QStringLiteral("</java>");

bool isJavaQueue(const QList<UploadItem>& queue)
{
    return !queue.isEmpty() && queue.constFirst().PhoneFolder == kJavaMarker;
}

// A queue left by an earlier session of the manager is sent only while its
// files are as they were queued: opening the manager again clears the suite
// files and a new download replaces the menu, and sending then would delete
// the phone's menu for a broken one.
bool isIntact(const QList<UploadItem>& queue)
{
    for (const UploadItem& item : queue) {
        const QFileInfo file(item.LocalPath);
        if (!file.isFile() || file.size() != item.FileSize)
            return false;
    }
    return true;
}

} // namespace

void ExplorerWindow::JavaCommand()
{
    if (refuseWithoutLine() || refuseWhileBusy())
        return;
    {
        // Lists "/java/", which also gives the manager the names of the suite files there.
        CommandScope scope(*this);
        ListFavourite(kJavaFavourite);
    }
    {
        JavaWindow frmJava(*link_, texts_, tempFolder_, UploadList, localPane_->currentFolder(), this);
        frmJava.exec();
        if (frmJava.phoneMenu().downloaded)
            javaPhoneMenu_ = frmJava.phoneMenu().content;
    }
    if (closing_ || !isJavaQueue(UploadList))
        return;
    if (!isIntact(UploadList)) {
        UploadList.clear();
        return;
    }
    if (QMessageBox::warning(this, QStringLiteral("Vantrel"), texts_.GetString(kSendQuestion),
                             QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    sendJavaQueue();
}

// The menu the phone holds now. It may have changed since the manager read it
// (a queue can wait for a later session), and the copy must be of what the
// deletion removes. Nothing when the phone could not be asked.
std::optional<QByteArray> ExplorerWindow::currentPhoneMenu()
{
    QTemporaryDir scratch(QDir(tempFolder_).filePath(QStringLiteral("menu-XXXXXX")));
    if (!scratch.isValid())
        return std::nullopt;
    const Outcome read =
        link_->ReadFile(QStringLiteral("/java"), QStringLiteral("selector.utf"), scratch.path());
    if (read == Outcome::Failed)
        return javaPhoneMenu_; // the phone has none to lose, or refused: the menu the manager read
    QFile file(scratch.filePath(QStringLiteral("selector.utf")));
    if (read != Outcome::Done || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// The phone's old menu is kept as a copy, then deleted before the first upload,
// so the phone never holds the old menu beside new suite files.
void ExplorerWindow::sendJavaQueue()
{
    CommandScope scope(*this);
    // The Stop button and the progress go with the sending, however it ends.
    const auto transfersOver = qScopeGuard([this] { endTransfers(); });
    const std::optional<QByteArray> phoneMenu = currentPhoneMenu();
    if (!phoneMenu)
        return;
    const QString copy = saveMenuCopy(*phoneMenu, menuCopiesFolder());
    if (copy.isEmpty()) {
        message(texts_.GetString(JavaTexts::MenuCopyFailed));
        return;
    }
    const Outcome deleted = link_->DeleteFile(QStringLiteral("selector.utf"), QStringLiteral("/java/"));
    // A refusal means the phone had no menu; a phone that does not answer gets no files.
    if (deleted != Outcome::Done && deleted != Outcome::Failed)
        return;
    startTally();
    const int failed = SendQueuedFiles();
    if (closing_)
        return;
    ListFavourite(kJavaFavourite);
    showUploadTally();
    if (failed > 0)
        message(texts_.GetString(JavaTexts::SendFailed) + QLatin1Char('\n') +
                texts_.GetString(JavaTexts::MenuCopyKept) + QLatin1Char(' ') +
                QDir::toNativeSeparators(copy) + QLatin1Char('.'));
}
