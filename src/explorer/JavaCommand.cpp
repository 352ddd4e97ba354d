#include "CommandScope.h"
#include "ExplorerWindow.h"
#include "LocalPane.h"
#include "java/JavaSending.h"
#include "java/JavaTexts.h"
#include "java/MenuCopies.h"
#include "javawindow/JavaWindow.h"
#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"

#include <QCheckBox>
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

// A queue is sent only while its files are as they were queued: a new reading
// in the manager replaces the menu, and sending then would delete the phone's
// menu for one nobody saw.
bool isIntact(const QList<UploadItem>& queue)
{
    for (const UploadItem& item : queue) {
        const QFileInfo file(item.LocalPath);
        if (!file.isFile() || file.size() != item.FileSize)
            return false;
    }
    return true;
}

// Once sent, the entries carry their phone folder: the question is asked once per queue.
void markSent(QList<UploadItem>& queue)
{
    for (UploadItem& item : queue) {
        item.PhoneFolder = QStringLiteral("/java");
        item.FileName = QFileInfo(item.LocalPath).fileName();
    }
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
    if (!javaEdits_)
        javaEdits_ = std::make_unique<JavaEdits>();
    {
        JavaWindow frmJava(*link_, texts_, javaFolder(), UploadList, *javaEdits_, localPane_->currentFolder(),
                           this);
        connect(&frmJava, &JavaWindow::said, this, [this](const QString& text) { statusText(1, text); });
        frmJava.exec();
    }
    if (closing_ || !isJavaQueue(UploadList))
        return;
    if (!isIntact(UploadList)) {
        UploadList.clear();
        *javaEdits_ = JavaEdits{};
        return;
    }
    bool deleteRemovedFiles = false;
    if (!askToSendJava(deleteRemovedFiles)) {
        // The queue and the edits stay: the manager opens with them, and the
        // question comes again when it closes.
        statusText(1, texts_.GetString(JavaTexts::EditsKept));
        return;
    }
    sendJavaQueue(deleteRemovedFiles);
}

// The manager's own folder in the window's: the menu it read and the suites it
// staged stay there, with the unsent edits, until the window ends.
QString ExplorerWindow::javaFolder() const
{
    const QString folder = QDir(tempFolder_).filePath(QStringLiteral("java"));
    QDir().mkpath(folder);
    return folder;
}

bool ExplorerWindow::askToSendJava(bool& deleteRemovedFiles)
{
    QMessageBox question(QMessageBox::Warning, QStringLiteral("Vantrel"), texts_.GetString(kSendQuestion),
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setObjectName(QStringLiteral("msgSendJava"));
    question.setDefaultButton(QMessageBox::No);
    // Off by default: removing a suite takes it off the menu only.
    auto* alsoDelete = new QCheckBox(texts_.GetString(JavaTexts::AlsoDeleteFiles), &question);
    alsoDelete->setObjectName(QStringLiteral("chkDeleteSuiteFiles"));
    question.setCheckBox(alsoDelete);
    const bool yes = question.exec() == QMessageBox::Yes;
    deleteRemovedFiles = alsoDelete->isChecked();
    return yes;
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
        return javaEdits_->menu.content; // the phone has none to lose, or refused: the menu the manager read
    QFile file(scratch.filePath(QStringLiteral("selector.utf")));
    if (read != Outcome::Done || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// Sends as the client does (suite files first, the menu last, the old menu put
// back if the new one fails), with the window's progress and tally.
void ExplorerWindow::sendJavaQueue(bool deleteRemovedFiles)
{
    CommandScope scope(*this);
    // The Stop button and the progress go with the sending, however it ends.
    const auto transfersOver = qScopeGuard([this] { endTransfers(); });
    const std::optional<QByteArray> phoneMenu = currentPhoneMenu();
    if (!phoneMenu)
        return;
    const SelectorModel sentModel = javaEdits_->model;
    *javaEdits_ = JavaEdits{};
    startTally();
    int fileNumber = 0;
    const int fileCount = static_cast<int>(UploadList.size());
    SendReport report;
    {
        const auto transfersOver = qScopeGuard([this] { endTransfers(); });
        report = SendQueue(
            *link_, UploadList, *phoneMenu, menuCopiesFolder(),
            [&](const UploadItem& item) { return uploadOne(item, ++fileNumber, fileCount, false); });
    }
    markSent(UploadList);
    if (closing_)
        return;
    const bool filesLeft = report.text == 0 && deleteRemovedFiles &&
                           !DeleteSuiteFiles(*link_, removedRoots(*phoneMenu, sentModel));
    ListFavourite(kJavaFavourite);
    // Which menu the phone holds is the last word in the status bar.
    statusText(1, texts_.GetString(holdsText(report)));
    if (report.text != 0)
        message(sendingText(*link_, report));
    else if (filesLeft)
        message(texts_.GetString(JavaTexts::SuiteFilesLeft));
}
