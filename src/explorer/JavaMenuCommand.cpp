#include "JavaMenuCommand.h"

#include "CommandGate.h"
#include "LocalPane.h"
#include "PhonePane.h"
#include "StatusPanels.h"
#include "TransferRunner.h"
#include "UploadCommands.h"
#include "WorkingFolder.h"
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

JavaMenuCommand::JavaMenuCommand(const CommandContext& context, TransferRunner& runner, PhonePane& phone,
                                 UploadCommands& uploads, const LocalPane& local,
                                 const WorkingFolder& working)
    : context_(context), runner_(runner), phone_(phone), uploads_(uploads), local_(local), working_(working)
{}

JavaMenuCommand::~JavaMenuCommand() = default;

void JavaMenuCommand::JavaCommand()
{
    if (context_.gate.refuseWithoutLine() || context_.gate.refuseWhileBusy())
        return;
    {
        // Lists "/java/", which also gives the manager the names of the suite files there.
        CommandGate::Scope scope(context_.gate);
        phone_.ListFavourite(kJavaFavourite);
    }
    if (!javaEdits_)
        javaEdits_ = std::make_unique<JavaEdits>();
    QList<UploadItem>& queue = uploads_.queue();
    {
        JavaWindow frmJava(context_.link, context_.texts, javaFolder(), queue, *javaEdits_,
                           local_.currentFolder(), &context_.window);
        QObject::connect(&frmJava, &JavaWindow::said, &frmJava,
                         [this](const QString& text) { context_.status.setText(1, text); });
        frmJava.exec();
    }
    if (context_.gate.isClosing() || !isJavaQueue(queue))
        return;
    if (!isIntact(queue)) {
        queue.clear();
        *javaEdits_ = JavaEdits{};
        return;
    }
    bool deleteRemovedFiles = false;
    if (!askToSendJava(deleteRemovedFiles)) {
        // The queue and the edits stay: the manager opens with them, and the
        // question comes again when it closes.
        context_.status.setText(1, context_.texts.GetString(JavaTexts::EditsKept));
        return;
    }
    sendJavaQueue(deleteRemovedFiles);
}

// The manager's own folder in the window's: the menu it read and the suites it
// staged stay there, with the unsent edits, until the window ends.
QString JavaMenuCommand::javaFolder() const
{
    const QString folder = QDir(working_.path()).filePath(QStringLiteral("java"));
    QDir().mkpath(folder);
    return folder;
}

bool JavaMenuCommand::askToSendJava(bool& deleteRemovedFiles)
{
    QMessageBox question(QMessageBox::Warning, QStringLiteral("Vantrel"),
                         context_.texts.GetString(kSendQuestion), QMessageBox::Yes | QMessageBox::No,
                         &context_.window);
    question.setObjectName(QStringLiteral("msgSendJava"));
    question.setDefaultButton(QMessageBox::No);
    // Off by default: removing a suite takes it off the menu only.
    auto* alsoDelete = new QCheckBox(context_.texts.GetString(JavaTexts::AlsoDeleteFiles), &question);
    alsoDelete->setObjectName(QStringLiteral("chkDeleteSuiteFiles"));
    question.setCheckBox(alsoDelete);
    const bool yes = question.exec() == QMessageBox::Yes;
    deleteRemovedFiles = alsoDelete->isChecked();
    return yes;
}

// The menu the phone holds now. It may have changed since the manager read it
// (a queue can wait for a later session), and the copy must be of what the
// deletion removes. Nothing when the phone could not be asked.
std::optional<QByteArray> JavaMenuCommand::currentPhoneMenu()
{
    QTemporaryDir scratch(QDir(working_.path()).filePath(QStringLiteral("menu-XXXXXX")));
    if (!scratch.isValid())
        return std::nullopt;
    const Outcome read =
        context_.link.ReadFile(QStringLiteral("/java"), QStringLiteral("selector.utf"), scratch.path());
    if (read == Outcome::Failed)
        return javaEdits_->menu.content; // the phone has none to lose, or refused: the menu the manager read
    QFile file(scratch.filePath(QStringLiteral("selector.utf")));
    if (read != Outcome::Done || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

void JavaMenuCommand::sendJavaQueue(bool deleteRemovedFiles)
{
    CommandGate::Scope scope(context_.gate);
    // The Stop button and the progress go with the sending, however it ends.
    const auto transfersOver = qScopeGuard([this] { runner_.endTransfers(); });
    const std::optional<QByteArray> phoneMenu = currentPhoneMenu();
    if (!phoneMenu)
        return;
    const SelectorModel sentModel = javaEdits_->model;
    *javaEdits_ = JavaEdits{};
    runner_.startTally();
    QList<UploadItem>& queue = uploads_.queue();
    int fileNumber = 0;
    const int fileCount = static_cast<int>(queue.size());
    SendReport report;
    {
        const auto sendingOver = qScopeGuard([this] { runner_.endTransfers(); });
        report = SendQueue(context_.link, queue, *phoneMenu, menuCopiesFolder(), [&](const UploadItem& item) {
            return uploads_.uploadOne(item, ++fileNumber, fileCount, false);
        });
    }
    markSent(queue);
    if (context_.gate.isClosing())
        return;
    const bool filesLeft = report.text == 0 && deleteRemovedFiles &&
                           !DeleteSuiteFiles(context_.link, removedRoots(*phoneMenu, sentModel));
    phone_.ListFavourite(kJavaFavourite);
    // Which menu the phone holds is the last word in the status bar.
    context_.status.setText(1, context_.texts.GetString(holdsText(report)));
    if (report.text != 0)
        QMessageBox::warning(&context_.window, QStringLiteral("Vantrel"), sendingText(context_.link, report));
    else if (filesLeft)
        QMessageBox::warning(&context_.window, QStringLiteral("Vantrel"),
                             context_.texts.GetString(JavaTexts::SuiteFilesLeft));
}
