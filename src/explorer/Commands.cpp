#include "CommandScope.h"
#include "DownloadTexts.h"
#include "ExplorerWindow.h"
#include "FileList.h"
#include "LocalPane.h"
#include "TransferStatus.h"
#include "dialogs/AboutBox.h"
#include "dialogs/FolderChooser.h"
#include "dialogs/SettingsDialog.h"
#include "phone/DisplayName.h"
#include "phone/FolderCopy.h"
#include "phone/PhoneLink.h"
#include "platform/Folders.h"
#include "platform/OpenWith.h"
#include "settings/LanguageTable.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTreeWidget>

namespace {

constexpr int kUploadsDone = 65;
constexpr int kUploadsFailed = 78;
constexpr int kNoSuchFolder = 81;
constexpr int kUploadFailed = 83;
constexpr int kDeleteFailed = 85;
constexpr int kDeletesFailed = 86;
constexpr int kNothingSent = 87;
constexpr int kNoProgramOpens = 88;
constexpr int kMissingFileBefore = 107;
constexpr int kMissingFileAfter = 108;
constexpr int kRootRefusesDrops = 109;
constexpr int kDeleteOneQuestion = 470;
constexpr int kDeleteManyQuestion = 471;
constexpr int kAllSkippedNothingCopied = 472;
constexpr int kAllSkippedNothingSent = 473;
constexpr int kFilesDeleted = 532;

// A phone folder as the transfer commands name it: without its closing "/",
// the root as the empty text.
QString withoutClosingSlash(const QString& tag)
{
    return tag.endsWith(QLatin1Char('/')) ? tag.left(tag.size() - 1) : tag;
}

} // namespace

bool ExplorerWindow::refuseWhileBusy() const
{
    if (commandDepth_ == 0 && !link_->isExchangeRunning() && !closing_)
        return false;
    QApplication::beep();
    return true;
}

void ExplorerWindow::startTally()
{
    sentFiles_ = 0;
    failedFiles_ = 0;
    skippedFiles_ = 0;
    failureReasons_.clear();
    commandStopped_ = false;
    overwriteAll_ = false;
    stopReport_.clear();
}

void ExplorerWindow::noteFailure(const QString& reason)
{
    ++failedFiles_;
    failureReasons_ << reason;
}

void ExplorerWindow::showTally(int doneText, int oneFailedText, int manyFailedText)
{
    if (failedFiles_ == 0)
        statusText(1, texts_.GetString(doneText));
    else
        showFailures(oneFailedText, manyFailedText);
}

void ExplorerWindow::showFailures(int oneFailedText, int manyFailedText)
{
    // The first reason stays in view; the tooltip holds every one.
    statusText(1, failureReasons_.first() + QLatin1Char(' ') + QString::number(failedFiles_) +
                      QLatin1Char(' ') + countedText(texts_, failedFiles_, oneFailedText, manyFailedText));
    panels_[0]->setToolTip(failureReasons_.join(QLatin1Char('\n')));
}

void ExplorerWindow::showUploadTally()
{
    if (sentFiles_ == 0 && failedFiles_ == 0)
        statusText(1, texts_.GetString(skippedFiles_ > 0 ? kAllSkippedNothingSent : kNothingSent));
    else
        showTally(kUploadsDone, kUploadFailed, kUploadsFailed);
}

void ExplorerWindow::RefreshCommand()
{
    // The folder the list shows, wherever the tree's highlight has wandered.
    FolderClick(nodes_.value(listedKey_, tvFolders_->currentItem()));
}

void ExplorerWindow::DownloadCommand()
{
    if (refuseWithoutLine() || refuseWhileBusy())
        return;
    const QList<PhoneRow> rows = selectedRows();
    CommandScope scope(*this);
    const QString destination = OpenAfterDownload ? tempFolder_ : localPane_->currentFolder();
    if (!rows.isEmpty() && destination.isEmpty()) {
        statusText(1, texts_.GetString(kDownloadCannotStart) + QLatin1Char(' ') +
                          withVisibleControls(rows.first().name) + QStringLiteral("."));
        return;
    }
    startTally();
    const auto transfersOver = qScopeGuard([this] { endTransfers(); });
    QString lastDownloaded;
    // Two names the disk takes for one both stay, the second numbered.
    LocalNames names(foldsCase(destination));
    QStringList renamed;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const PhoneRow& row = rows.at(i);
        if (commandEnded())
            return sayStopped();
        const QString localName = names.take(destination, row.name);
        // The working folder is ours; elsewhere a file of the name is the user's.
        if (!OpenAfterDownload && QFileInfo::exists(QDir(destination).filePath(localName)) &&
            !mayReplace(downloadQuestion(localName, destination, row.size)))
            continue;
        beginTransferOf(static_cast<int>(i + 1), static_cast<int>(rows.size()));
        const Outcome outcome =
            link_->ReadFile(withoutClosingSlash(row.folder), row.name, destination,
                            localName == row.name ? QString() : localName,
                            row.size >= 0 ? std::optional<qint64>(row.size) : std::nullopt);
        noteStop(outcome);
        // A lost line has said so already, with the way back; nothing covers that.
        if (outcome == Outcome::Cancelled || outcome == Outcome::LineLost || outcome == Outcome::Stopped)
            return;
        if (outcome != Outcome::Done) {
            noteFailure(panelText(1));
            continue;
        }
        lastDownloaded = QDir(destination).filePath(localName);
        if (localName != row.name)
            renamed << keptAsText(KeptAs{row.folder + row.name, localName});
    }
    if (commandStopped_)
        return sayStopped();
    if (skippedFiles_ > 0 && skippedFiles_ == rows.size())
        return statusText(1, texts_.GetString(kAllSkippedNothingCopied));
    showTally(kDownloadDone, kDownloadFailed, kDownloadsFailed);
    if (!renamed.isEmpty() && failedFiles_ == 0) {
        statusText(1, panelText(1) + QLatin1Char(' ') + renamed.first());
        panels_[0]->setToolTip(renamed.join(QLatin1Char('\n')));
    }
    if (OpenAfterDownload && !lastDownloaded.isEmpty() && !OpenWith::openDocument(lastDownloaded))
        statusText(1, texts_.GetString(kNoProgramOpens) + QLatin1Char(' ') +
                          QDir::toNativeSeparators(lastDownloaded) + QLatin1Char('.'));
}

void ExplorerWindow::OpenSelectedRows()
{
    OpenAfterDownload = true;
    DownloadCommand();
    OpenAfterDownload = false;
}

void ExplorerWindow::DeleteCommand()
{
    if (refuseWithoutLine() || refuseWhileBusy())
        return;
    const QList<PhoneRow> rows = selectedRows();
    // Nothing chosen, nothing to ask about (the key reaches here without a selection).
    if (rows.isEmpty())
        return;
    const QString question = rows.size() == 1 ? texts_.GetString(kDeleteOneQuestion) + QLatin1Char(' ') +
                                                    rows.first().folder + rows.first().name + QLatin1Char('?')
                                              : texts_.GetString(kDeleteManyQuestion) + QLatin1Char(' ') +
                                                    QString::number(rows.size()) + QLatin1Char('.');
    if (QMessageBox::question(this, QStringLiteral("Vantrel"), question, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;
    startTally();
    {
        CommandScope scope(*this);
        for (const PhoneRow& row : rows) {
            if (closing_)
                return;
            const Outcome outcome = link_->DeleteFile(row.name, row.folder);
            if (outcome == Outcome::Cancelled || outcome == Outcome::LineLost)
                return;
            if (outcome != Outcome::Done)
                noteFailure(panelText(1));
        }
    }
    const QString deleted = rows.size() == 1 ? panelText(1)
                                             : texts_.GetString(kFilesDeleted) + QLatin1Char(' ') +
                                                   QString::number(rows.size()) + QLatin1Char('.');
    // The folder shown is listed again, so the deleted files vanish from it.
    const bool listed = FolderClick(nodes_.value(listedKey_, tvFolders_->currentItem()));
    // What the delete did outlasts the listing's own status text (not its failure).
    if (failedFiles_ > 0)
        showFailures(kDeleteFailed, kDeletesFailed);
    else if (listed)
        statusText(1, deleted);
}

Outcome ExplorerWindow::uploadOne(UploadItem item, int fileNumber, int fileCount, bool askBeforeReplacing)
{
    const bool replacing = askBeforeReplacing && phoneFolderLists(item);
    if (commandEnded() || (replacing && !mayReplace(uploadQuestion(item))) || commandEnded())
        return Outcome::NotRun;
    beginTransferOf(fileNumber, fileCount);
    repaint();
    const auto barOver = qScopeGuard([this] {
        pgbMain_->hide();
        statusText(3, QString());
    });
    // Until the new file is whole the phone's old one lives on here.
    std::optional<KeptFile> kept;
    if (replacing) {
        if (!(kept = keepPhoneFile(item)))
            return Outcome::Failed;
        beginTransferOf(fileNumber, fileCount);
    }
    const Outcome outcome = link_->SendFile(item);
    noteStop(outcome);
    if (kept)
        settleKeptFile(*kept, item, outcome);
    if (outcome == Outcome::Done && commandStopped_)
        noteStopTooLate(item.FileName);
    if (outcome == Outcome::Done)
        ++sentFiles_;
    else if (outcome != Outcome::Stopped)
        noteFailure(panelText(1));
    return outcome;
}

void ExplorerWindow::UploadDroppedPaths(const QStringList& paths)
{
    if (refuseWithoutLine() || refuseWhileBusy())
        return;
    // Files go into the folder the list shows, where they were dropped.
    const QString tag = listedFolder_;
    if (tag.isEmpty())
        return;
    if (tag.trimmed() == QLatin1String("/")) {
        QMessageBox::critical(this, QStringLiteral("Vantrel"), texts_.GetString(kRootRefusesDrops));
        return;
    }
    startTally();
    {
        CommandScope scope(*this);
        const auto transfersOver = qScopeGuard([this] { endTransfers(); });
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const QString& path = paths.at(i);
            if (closing_ || !link_->isOpen())
                return;
            if (commandStopped_)
                break;
            const QFileInfo info(path);
            if (info.isFile()) {
                UploadItem item;
                item.LocalPath = info.absoluteFilePath();
                item.PhoneFolder = withoutClosingSlash(tag);
                item.FileName = info.fileName();
                item.FileSize = info.size();
                uploadOne(item, static_cast<int>(i + 1), static_cast<int>(paths.size()));
                continue;
            }
            queueChosenFiles(path);
            SendQueuedFiles();
        }
    }
    if (closing_ || !link_->isOpen())
        return;
    FolderClick(nodes_.value(listedKey_, tvFolders_->currentItem()));
    if (commandStopped_)
        sayStopped();
    else
        showUploadTally();
}

void ExplorerWindow::queueChosenFiles(const QString& folder)
{
    QList<ChosenFile> chosen;
    FolderChooser::ShowDir(folder, texts_, chosen, this);
    UploadList.clear();
    for (const ChosenFile& file : chosen) {
        UploadItem item;
        item.LocalPath = file.LocalPath;
        item.FileSize = file.FileSize;
        UploadList << item;
    }
}

int ExplorerWindow::SendQueuedFiles()
{
    if (!link_->isOpen())
        return static_cast<int>(UploadList.size());
    // Inside a drop the drop counts and reports; on its own it does both itself.
    const bool onItsOwn = commandDepth_ == 0;
    if (onItsOwn)
        startTally();
    // Failed, skipped, stopped and never reached alike.
    const int sentBefore = sentFiles_;
    auto notSent = [&] { return static_cast<int>(UploadList.size()) - (sentFiles_ - sentBefore); };
    CommandScope scope(*this);
    const auto transfersOver = qScopeGuard([this, onItsOwn] {
        if (onItsOwn)
            endTransfers();
    });
    for (qsizetype index = 0; index < UploadList.size(); ++index) {
        if (closing_ || !link_->isOpen() || commandStopped_)
            return notSent();
        UploadItem& item = UploadList[index];
        // A file gone since it was chosen is a failure, not a silent skip.
        if (!QFileInfo(item.LocalPath).isFile()) {
            noteFailure(texts_.GetString(kMissingFileBefore) + QLatin1Char(' ') +
                        QDir::toNativeSeparators(item.LocalPath) + QLatin1Char(' ') +
                        texts_.GetString(kMissingFileAfter));
            continue;
        }
        // The Java menu and its suites replace the phone's on purpose: the user
        // agreed to send them, and skipping the menu would leave the phone without one.
        const bool forJava = item.PhoneFolder == QLatin1String("</java>");
        item.PhoneFolder = forJava ? QStringLiteral("/java") : withoutClosingSlash(listedFolder_);
        item.FileName = QFileInfo(item.LocalPath).fileName();
        uploadOne(item, static_cast<int>(index + 1), static_cast<int>(UploadList.size()), !forJava);
    }
    if (onItsOwn && commandStopped_)
        sayStopped();
    else if (onItsOwn)
        showUploadTally();
    return notSent();
}

void ExplorerWindow::FavouriteCommand(int button)
{
    if (refuseWhileBusy())
        return;
    bool listed = false;
    {
        CommandScope scope(*this);
        listed = ListFavourite(button);
    }
    if (listed)
        tvFolders_->setFocus();
}

bool ExplorerWindow::ListFavourite(int button)
{
    struct Favourite
    {
        const char* folder;
        QString* key;
    };
    const Favourite favourites[] = {{"/ml/im/", &ImNodeKey},
                                    {"/ml/ci/", &CiNodeKey},
                                    {"/ml/ri/", &RiNodeKey},
                                    {"/ml/vd/", &VdNodeKey},
                                    {"/java/", &JavaNodeKey}};
    if (button < 1 || button > 5 || refuseWithoutLine())
        return false;
    auto known = [this](const QString& key) { return !key.isEmpty() && nodes_.contains(key); };
    if (button <= 4 && !(known(ImNodeKey) && known(RiNodeKey) && known(CiNodeKey) && known(VdNodeKey)) &&
        known(MlNodeKey)) {
        // Listing "/ml/" again replaces its sub-tree rather than adding a second copy.
        removeChildren(nodes_.value(MlNodeKey));
        ListFolder(QStringLiteral("/ml/"), MlNodeKey);
    }
    const Favourite& chosen = favourites[button - 1];
    if (!known(*chosen.key)) {
        // The tree shows what the list shows, and the status why it is not the favourite.
        highlightListedFolder();
        if (link_->isOpen())
            statusText(1, texts_.GetString(kNoSuchFolder) + QLatin1Char(' ') + QLatin1String(chosen.folder) +
                              QLatin1Char('.'));
        return false;
    }
    const QString key = *chosen.key;
    removeChildren(nodes_.value(key));
    ListFolder(QLatin1String(chosen.folder), key);
    // The node may have gone with the line while the phone answered.
    if (QTreeWidgetItem* node = nodes_.value(key))
        tvFolders_->setCurrentItem(node);
    return true;
}

void ExplorerWindow::SettingsCommand()
{
    if (refuseWhileBusy())
        return;
    const QString portBefore = portDevice();
    {
        SettingsDialog dialog(store_, settings_, texts_, Folders::languageFolder(), this);
        dialog.exec();
    }
    saveWindowState();
    const bool samePort = link_->isOpen() && portDevice() == portBefore;
    // A new port means a new phone, read from its root; otherwise the tree,
    // the list and the line stay as they are and the rest is applied.
    if (samePort)
        applySettingsKeepingTheLine();
    else
        StartUp();
}

void ExplorerWindow::AboutCommand()
{
    AboutBox about(texts_, this);
    about.exec();
}
