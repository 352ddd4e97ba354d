#include "ExplorerWindow.h"
#include "FileList.h"
#include "FolderTree.h"
#include "Icons.h"
#include "LineLogWindow.h"
#include "LocalPane.h"
#include "settings/LanguageTable.h"

#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>

namespace {

constexpr int kTagRole = Qt::UserRole + 1;
constexpr int kUploadText = 150;
constexpr int kDownloadFolderText = 151;
constexpr int kSelectAllText = 152;
constexpr int kViewText = 490;
constexpr int kLineLogText = 491;

// Shown beside the item, acted on only while its menu is open: the keys
// themselves belong to the tree and the list, not to the address box or the
// local pane.
void showKeyInMenu(QAction* action, const QKeySequence& keys)
{
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
}

// A key of the tree and the list only.
void bindToPhoneViews(QWidget* window, const QKeySequence& keys, const QList<QWidget*>& views,
                      const std::function<void()>& act)
{
    for (QWidget* view : views) {
        auto* shortcut = new QShortcut(keys, view, nullptr, nullptr, Qt::WidgetShortcut);
        QObject::connect(shortcut, &QShortcut::activated, window, act);
    }
}

} // namespace

void ExplorerWindow::buildKeysAndMenus()
{
    QAction* refresh = mainButtons_[0];
    QAction* download = mainButtons_[2];
    QAction* remove = mainButtons_[3];
    // F5 and Ctrl+U work wherever the focus is in the window.
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    actUpload_ = new QAction(Icons::command(Icons::Command::Upload), QString(), this);
    actUpload_->setObjectName(QStringLiteral("tlbMain_Upload"));
    actUpload_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    connect(actUpload_, &QAction::triggered, this, &ExplorerWindow::UploadCommand);
    tlbMain_->insertAction(remove, actUpload_);
    tlbMain_->widgetForAction(actUpload_)->setObjectName(QStringLiteral("tlbMain_Upload"));
    showKeyInMenu(remove, QKeySequence::Delete);

    actSelectAll_ = new QAction(QString(), this);
    actSelectAll_->setObjectName(QStringLiteral("mnuFileSelectAll"));
    showKeyInMenu(actSelectAll_, QKeySequence::SelectAll);
    connect(actSelectAll_, &QAction::triggered, this, &ExplorerWindow::selectAllRows);
    mnuFile_->insertActions(mnuFileExit_, {refresh, download, actUpload_, remove});
    mnuFile_->insertSeparator(mnuFileExit_);
    mnuFile_->insertAction(mnuFileExit_, actSelectAll_);
    mnuFile_->insertSeparator(mnuFileExit_);
    // Settings and Java live on the toolbar, which the keyboard does not reach.
    mnuFile_->insertActions(mnuFileExit_, {mainButtons_[5], mainButtons_[6]});
    mnuFileRepairs_ = new QAction(QString(), this);
    mnuFileRepairs_->setObjectName(QStringLiteral("mnuFileRepairs"));
    connect(mnuFileRepairs_, &QAction::triggered, this, &ExplorerWindow::RepairsCommand);
    mnuFile_->insertAction(mnuFileExit_, mnuFileRepairs_);
    mnuFile_->insertSeparator(mnuFileExit_);

    mnuView_ = new QMenu(this);
    mnuView_->setObjectName(QStringLiteral("mnuView"));
    menuBar()->insertMenu(mnuHelp_->menuAction(), mnuView_);
    mnuViewLineLog_ = mnuView_->addAction(QString(), this, &ExplorerWindow::LineLogCommand);
    mnuViewLineLog_->setObjectName(QStringLiteral("mnuViewLineLog"));
    mnuView_->addSeparator();
    mnuView_->addActions(favButtons_);

    mnuFUpload_ = new QAction(Icons::command(Icons::Command::Upload), QString(), this);
    mnuFUpload_->setObjectName(QStringLiteral("mnuFUpload"));
    showKeyInMenu(mnuFUpload_, QKeySequence(Qt::CTRL | Qt::Key_U));
    connect(mnuFUpload_, &QAction::triggered, this, &ExplorerWindow::UploadCommand);
    mnuFileOp_->insertAction(mnuFDelete_, mnuFUpload_);
    mnuFileOp_->addAction(actSelectAll_);
    showKeyInMenu(mnuFDelete_, QKeySequence::Delete);

    mnuFolderOp_ = new QMenu(this);
    mnuFolderOp_->setObjectName(QStringLiteral("mnuFolderOp"));
    mnuTRefresh_ = mnuFolderOp_->addAction(Icons::command(Icons::Command::Refresh), QString(), this,
                                           [this] { FolderClick(nodeByKey(folderMenuKey_)); });
    mnuTRefresh_->setObjectName(QStringLiteral("mnuTRefresh"));
    showKeyInMenu(mnuTRefresh_, QKeySequence(Qt::Key_F5));
    mnuTDownloadFolder_ =
        mnuFolderOp_->addAction(Icons::command(Icons::Command::Download), QString(), this, [this] {
            if (QTreeWidgetItem* node = nodeByKey(folderMenuKey_))
                DownloadFolderCommand(node->data(0, kTagRole).toString());
        });
    mnuTDownloadFolder_->setObjectName(QStringLiteral("mnuTDownloadFolder"));
    // Closed without a choice, the menu leaves the highlight where the list is.
    connect(mnuFolderOp_, &QMenu::aboutToHide, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (!isCommandRunning())
                highlightListedFolder();
        });
    });
    tvFolders_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tvFolders_, &QWidget::customContextMenuRequested, this, &ExplorerWindow::showFolderMenu);

    auto* tree = static_cast<FolderTree*>(tvFolders_);
    connect(tree, &FolderTree::folderEntered, this, [this](QTreeWidgetItem* node) { FolderClick(node); });
    connect(tree, &FolderTree::parentFolderWanted, this, &ExplorerWindow::goToParentFolder);
    connect(lstFiles_, &FileList::parentFolderWanted, this, &ExplorerWindow::goToParentFolder);
    connect(lstFiles_, &FileList::rowsEntered, this, [this] {
        if (!lstFiles_->selectedItems().isEmpty())
            OpenSelectedRows();
    });
    connect(lstFiles_, &QTreeWidget::itemSelectionChanged, this, &ExplorerWindow::updateRowCommands);
    bindToPhoneViews(this, QKeySequence::SelectAll, {tvFolders_, lstFiles_}, [this] { selectAllRows(); });
    lstFiles_->setRowsDragData([this] { return rowsDragData(); });
    connect(localPane_, &LocalPane::phoneFolderDropped, this, &ExplorerWindow::DownloadFolderCommand,
            Qt::QueuedConnection);
}

void ExplorerWindow::applyKeysAndMenusLanguage()
{
    actUpload_->setText(texts_.GetString(kUploadText));
    actUpload_->setToolTip(actUpload_->iconText());
    mnuFUpload_->setText(texts_.GetString(kUploadText));
    actSelectAll_->setText(texts_.GetString(kSelectAllText));
    mnuTRefresh_->setText(texts_.GetString(484));
    mnuTDownloadFolder_->setText(texts_.GetString(kDownloadFolderText));
    mnuView_->setTitle(texts_.GetString(kViewText));
    mnuViewLineLog_->setText(texts_.GetString(kLineLogText));
    if (lineLog_)
        lineLog_->ApplyLanguage();
}

void ExplorerWindow::LineLogCommand()
{
    if (!lineLog_)
        lineLog_ = new LineLogWindow(*link_, texts_, this);
    lineLog_->show();
    lineLog_->raise();
    lineLog_->activateWindow();
}

void ExplorerWindow::showFolderMenu(const QPoint& position)
{
    QTreeWidgetItem* node = tvFolders_->itemAt(position);
    if (!node)
        return;
    folderMenuKey_ = node->data(0, Qt::UserRole).toString();
    mnuFolderOp_->popup(tvFolders_->viewport()->mapToGlobal(position));
}

void ExplorerWindow::highlightListedFolder()
{
    if (QTreeWidgetItem* shown = nodeByKey(listedKey_))
        tvFolders_->setCurrentItem(shown);
}

void ExplorerWindow::goToParentFolder()
{
    // The folder the list shows is where the user is, wherever the highlight went.
    QTreeWidgetItem* shown = nodeByKey(listedKey_);
    if (shown && shown->parent())
        FolderClick(shown->parent());
}

void ExplorerWindow::selectAllRows()
{
    lstFiles_->selectAll();
}
