#include "RowCommands.h"

#include "CommandGate.h"
#include "DownloadTexts.h"
#include "LocalPane.h"
#include "PhonePane.h"
#include "PhoneRowsMimeData.h"
#include "ReplaceQuestion.h"
#include "StatusPanels.h"
#include "TransferRunner.h"
#include "WorkingFolder.h"
#include "phone/DisplayName.h"
#include "phone/FolderCopy.h"
#include "phone/LocalNames.h"
#include "phone/PhoneLink.h"
#include "platform/OpenWith.h"
#include "settings/LanguageTable.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QScopeGuard>

namespace {

constexpr int kDeleteFailed = 85;
constexpr int kDeletesFailed = 86;
constexpr int kNoProgramOpens = 88;
constexpr int kDeleteOneQuestion = 470;
constexpr int kDeleteManyQuestion = 471;
constexpr int kAllSkippedNothingCopied = 472;
constexpr int kFilesDeleted = 532;

} // namespace

RowCommands::RowCommands(const CommandContext& context, TransferRunner& runner, PhonePane& phone,
                         const LocalPane& local, const WorkingFolder& working)
    : context_(context), runner_(runner), phone_(phone), local_(local), working_(working)
{}

void RowCommands::DownloadCommand()
{
    download(false);
}

void RowCommands::OpenSelectedRows()
{
    download(true);
}

void RowCommands::download(bool thenOpen)
{
    if (context_.gate.refuseWithoutLine() || context_.gate.refuseWhileBusy())
        return;
    const QList<PhoneRow> rows = phone_.selectedRows();
    CommandGate::Scope scope(context_.gate);
    StatusPanels& status = context_.status;
    const QString destination = thenOpen ? working_.path() : local_.currentFolder();
    if (!rows.isEmpty() && destination.isEmpty()) {
        status.setText(1, context_.texts.GetString(kDownloadCannotStart) + QLatin1Char(' ') +
                              withVisibleControls(rows.first().name) + QStringLiteral("."));
        return;
    }
    runner_.startTally();
    const auto transfersOver = qScopeGuard([this] { runner_.endTransfers(); });
    QString lastDownloaded;
    // Two names the disk takes for one both stay, the second numbered.
    LocalNames names(foldsCase(destination));
    QStringList renamed;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const PhoneRow& row = rows.at(i);
        if (runner_.commandEnded())
            return runner_.sayStopped();
        const QString localName = names.take(destination, row.name);
        // The working folder is ours; elsewhere a file of the name is the user's.
        if (!thenOpen && QFileInfo::exists(QDir(destination).filePath(localName)) &&
            !runner_.mayReplace(downloadQuestion(localName, destination, row.size)))
            continue;
        runner_.beginTransferOf(static_cast<int>(i + 1), static_cast<int>(rows.size()));
        const Outcome outcome =
            context_.link.ReadFile(withoutClosingSlash(row.folder), row.name, destination,
                                   localName == row.name ? QString() : localName,
                                   row.size >= 0 ? std::optional<qint64>(row.size) : std::nullopt);
        runner_.noteStop(outcome);
        // A lost line has said so already, with the way back; nothing covers that.
        if (outcome == Outcome::Cancelled || outcome == Outcome::LineLost || outcome == Outcome::Stopped)
            return;
        if (outcome != Outcome::Done) {
            runner_.noteFailure(status.text(1));
            continue;
        }
        lastDownloaded = QDir(destination).filePath(localName);
        if (localName != row.name)
            renamed << keptAsText(context_.texts, KeptAs{row.folder + row.name, localName});
    }
    if (runner_.isStopped())
        return runner_.sayStopped();
    if (runner_.skippedFiles() > 0 && runner_.skippedFiles() == rows.size())
        return status.setText(1, context_.texts.GetString(kAllSkippedNothingCopied));
    runner_.showTally(kDownloadDone, kDownloadFailed, kDownloadsFailed);
    if (!renamed.isEmpty() && runner_.failedFiles() == 0) {
        status.setText(1, status.text(1) + QLatin1Char(' ') + renamed.first());
        status.setOperationDetails(renamed.join(QLatin1Char('\n')));
    }
    if (thenOpen && !lastDownloaded.isEmpty() && !OpenWith::openDocument(lastDownloaded))
        status.setText(1, context_.texts.GetString(kNoProgramOpens) + QLatin1Char(' ') +
                              QDir::toNativeSeparators(lastDownloaded) + QLatin1Char('.'));
}

bool RowCommands::confirmDelete(const QList<PhoneRow>& rows)
{
    const LanguageTable& texts = context_.texts;
    const QString question = rows.size() == 1 ? texts.GetString(kDeleteOneQuestion) + QLatin1Char(' ') +
                                                    rows.first().folder + rows.first().name + QLatin1Char('?')
                                              : texts.GetString(kDeleteManyQuestion) + QLatin1Char(' ') +
                                                    QString::number(rows.size()) + QLatin1Char('.');
    return QMessageBox::question(&context_.window, QStringLiteral("Vantrel"), question,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void RowCommands::DeleteCommand()
{
    if (context_.gate.refuseWithoutLine() || context_.gate.refuseWhileBusy())
        return;
    const QList<PhoneRow> rows = phone_.selectedRows();
    // Nothing chosen, nothing to ask about (the key reaches here without a selection).
    if (rows.isEmpty() || !confirmDelete(rows))
        return;
    runner_.startTally();
    {
        CommandGate::Scope scope(context_.gate);
        for (const PhoneRow& row : rows) {
            if (context_.gate.isClosing())
                return;
            const Outcome outcome = context_.link.DeleteFile(row.name, row.folder);
            if (endsTheCommand(outcome))
                return;
            if (outcome != Outcome::Done)
                runner_.noteFailure(context_.status.text(1));
        }
    }
    const QString deleted = rows.size() == 1 ? context_.status.text(1)
                                             : context_.texts.GetString(kFilesDeleted) + QLatin1Char(' ') +
                                                   QString::number(rows.size()) + QLatin1Char('.');
    // The folder shown is listed again, so the deleted files vanish from it.
    const bool listed = phone_.RefreshCommand();
    // What the delete did outlasts the listing's own status text (not its failure).
    if (runner_.failedFiles() > 0)
        runner_.showFailures(kDeleteFailed, kDeletesFailed);
    else if (listed)
        context_.status.setText(1, deleted);
}

QMimeData* RowCommands::rowsDragData()
{
    // The rows as they are when the drag starts: the list may be refilled before the drop.
    const QList<PhoneRow> rows = phone_.selectedRows();
    if (rows.isEmpty())
        return nullptr;
    return new PhoneRowsMimeData([this, rows] { return deliverRows(rows); });
}

QList<QUrl> RowCommands::deliverRows(const QList<PhoneRow>& rows)
{
    QList<QUrl> delivered;
    if (context_.gate.refuseWithoutLine() || context_.gate.refuseWhileBusy())
        return delivered;
    CommandGate::Scope scope(context_.gate);
    const auto transfersOver = qScopeGuard([this] { runner_.endTransfers(); });
    runner_.startTally();
    const QString working = working_.path();
    for (const PhoneRow& row : rows) {
        const Outcome outcome = context_.link.ReadFile(row.folder.chopped(1), row.name, working);
        if (context_.gate.isClosing() || endsTheCommand(outcome))
            return {};
        if (outcome == Outcome::Done)
            delivered << QUrl::fromLocalFile(QDir(working).filePath(row.name));
        else
            runner_.noteFailure(context_.status.text(1));
    }
    runner_.showTally(kDownloadDone, kDownloadFailed, kDownloadsFailed);
    return delivered;
}
