#include "CommandScope.h"
#include "ExplorerWindow.h"
#include "FileList.h"
#include "LocalPane.h"
#include "phone/PhoneLink.h"
#include "platform/Folders.h"
#include "platform/OpenWith.h"
#include "settings/AboutBox.h"
#include "settings/FolderChooser.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTreeWidget>

namespace {

constexpr int kUploadsDone = 65;
constexpr int kDownloadDone = 71;
constexpr int kDownloadCannotStart = 74;
constexpr int kUploadsFailed = 78;
constexpr int kDownloadsFailed = 79;
constexpr int kRootRefusesDrops = 109;
constexpr int kDeleteQuestion = 110;

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

void ExplorerWindow::RefreshCommand()
{
    FolderClick(tvFolders_->currentItem());
}

void ExplorerWindow::DownloadCommand()
{
    if (refuseWhileBusy())
        return;
    const QStringList rows = selectedFileNames();
    CommandScope scope(*this);
    const QString destination = OpenAfterDownload ? tempFolder_ : localPane_->currentFolder();
    if (!rows.isEmpty() && destination.isEmpty()) {
        statusText(1, texts_.GetString(kDownloadCannotStart) + QLatin1Char(' ') + rows.first() +
                          QStringLiteral("."));
        return;
    }
    const QString phoneFolder = withoutClosingSlash(selectedFolderTag());
    QString lastDownloaded;
    int failed = 0;
    for (const QString& name : rows) {
        if (closing_)
            return;
        const Outcome outcome = link_->ReadFile(phoneFolder, name, destination);
        if (outcome == Outcome::Cancelled || outcome == Outcome::LineLost)
            return;
        if (outcome == Outcome::Done)
            lastDownloaded = QDir(destination).filePath(name);
        else
            ++failed;
    }
    // A failure stays visible instead of being covered by "done".
    if (failed == 0)
        statusText(1, texts_.GetString(kDownloadDone));
    else
        statusText(1, QString::number(failed) + QLatin1Char(' ') + texts_.GetString(kDownloadsFailed));
    if (OpenAfterDownload && !lastDownloaded.isEmpty())
        OpenWith::openDocument(lastDownloaded);
}

void ExplorerWindow::OpenSelectedRows()
{
    OpenAfterDownload = true;
    DownloadCommand();
    OpenAfterDownload = false;
}

void ExplorerWindow::DeleteCommand()
{
    if (refuseWhileBusy())
        return;
    if (QMessageBox::question(this, QStringLiteral("Vantrel"), texts_.GetString(kDeleteQuestion),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    {
        CommandScope scope(*this);
        const QString tag = selectedFolderTag();
        for (const QString& name : selectedFileNames()) {
            if (closing_)
                return;
            const Outcome outcome = link_->DeleteFile(name, tag);
            if (outcome == Outcome::Cancelled || outcome == Outcome::LineLost)
                return;
        }
    }
    FolderClick(tvFolders_->currentItem());
}

void ExplorerWindow::uploadOne(UploadItem item)
{
    pgbMain_->setValue(0);
    pgbMain_->show();
    repaint();
    if (link_->SendFile(item) != Outcome::Done)
        ++failedUploads_;
    pgbMain_->hide();
    statusText(3, QString());
}

void ExplorerWindow::UploadDroppedPaths(const QStringList& paths)
{
    if (refuseWhileBusy() || !tvFolders_->currentItem())
        return;
    const QString tag = selectedFolderTag();
    if (tag.trimmed() == QLatin1String("/")) {
        QMessageBox::critical(this, QStringLiteral("Vantrel"), texts_.GetString(kRootRefusesDrops));
        return;
    }
    {
        CommandScope scope(*this);
        failedUploads_ = 0;
        for (const QString& path : paths) {
            if (closing_ || !link_->isOpen())
                return;
            const QFileInfo info(path);
            if (info.isFile()) {
                UploadItem item;
                item.LocalPath = info.absoluteFilePath();
                item.PhoneFolder = withoutClosingSlash(tag);
                item.FileName = info.fileName();
                item.FileSize = info.size();
                uploadOne(item);
                continue;
            }
            FolderChooser::ShowDir(path, texts_, UploadList, this);
            SendQueuedFiles();
        }
    }
    FolderClick(tvFolders_->currentItem());
    if (failedUploads_ == 0)
        statusText(1, texts_.GetString(kUploadsDone));
    else
        statusText(1, QString::number(failedUploads_) + QLatin1Char(' ') + texts_.GetString(kUploadsFailed));
}

int ExplorerWindow::SendQueuedFiles()
{
    if (!link_->isOpen())
        return static_cast<int>(UploadList.size());
    CommandScope scope(*this);
    const int failedBefore = failedUploads_;
    for (qsizetype index = 0; index < UploadList.size(); ++index) {
        if (closing_ || !link_->isOpen())
            return failedUploads_ - failedBefore + static_cast<int>(UploadList.size() - index);
        UploadItem& item = UploadList[index];
        if (!QFileInfo(item.LocalPath).isFile())
            continue;
        item.PhoneFolder = item.PhoneFolder == QLatin1String("</java>")
                               ? QStringLiteral("/java")
                               : withoutClosingSlash(selectedFolderTag());
        item.FileName = QFileInfo(item.LocalPath).fileName();
        uploadOne(item);
    }
    if (failedUploads_ == failedBefore)
        statusText(1, texts_.GetString(kUploadsDone));
    else
        statusText(1, QString::number(failedUploads_ - failedBefore) + QLatin1Char(' ') +
                          texts_.GetString(kUploadsFailed));
    return failedUploads_ - failedBefore;
}

void ExplorerWindow::FavouriteCommand(int button)
{
    if (refuseWhileBusy())
        return;
    CommandScope scope(*this);
    ListFavourite(button);
}

void ExplorerWindow::ListFavourite(int button)
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
    if (button < 1 || button > 5)
        return;
    auto known = [this](const QString& key) { return !key.isEmpty() && nodes_.contains(key); };
    if (button <= 4 && !(known(ImNodeKey) && known(RiNodeKey) && known(CiNodeKey) && known(VdNodeKey)) &&
        known(MlNodeKey)) {
        // Listing "/ml/" again replaces its sub-tree rather than adding a second copy.
        removeChildren(nodes_.value(MlNodeKey));
        ListFolder(QStringLiteral("/ml/"), MlNodeKey);
    }
    const Favourite& chosen = favourites[button - 1];
    if (!known(*chosen.key))
        return;
    QTreeWidgetItem* node = nodes_.value(*chosen.key);
    removeChildren(node);
    ListFolder(QLatin1String(chosen.folder), *chosen.key);
    tvFolders_->setCurrentItem(node);
    tvFolders_->setFocus();
}

void ExplorerWindow::SettingsCommand()
{
    if (refuseWhileBusy())
        return;
    {
        SettingsDialog dialog(store_, settings_, texts_, Folders::languageFolder(), this);
        dialog.exec();
    }
    // Whichever way the dialog closed, everything is read and built afresh.
    StartUp();
}

void ExplorerWindow::AboutCommand()
{
    AboutBox about(texts_, this);
    about.exec();
}
