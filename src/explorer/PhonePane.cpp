#include "PhonePane.h"

#include "CommandGate.h"
#include "FileList.h"
#include "FolderTree.h"
#include "Icons.h"
#include "MenuCaptions.h"
#include "StatusPanels.h"
#include "Twips.h"
#include "phone/DisplayName.h"
#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"
#include "settings/Settings.h"
#include "settings/SizeText.h"

#include <QHeaderView>
#include <QMenu>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kTagRole = Qt::UserRole + 1;
constexpr int kLeftColumnFloor = twips(2000);
constexpr int kNoSuchFolder = 81;
constexpr int kFirstFavouriteText = 191;
constexpr int kFirstFavouriteMenuText = 558;
constexpr int kRefreshMenuText = 484;
constexpr int kDownloadFolderText = 151;

// The tree's picture for a phone folder, by its name.
int folderImage(const QString& name)
{
    if (name == QLatin1String("java") || name == QLatin1String("ja"))
        return 8;
    if (name == QLatin1String("ml"))
        return 7;
    if (name == QLatin1String("vd"))
        return 5;
    if (name == QLatin1String("mms") || name == QLatin1String("mail"))
        return 4;
    if (name == QLatin1String("ri"))
        return 3;
    if (name == QLatin1String("im") || name == QLatin1String("ci"))
        return 2;
    return 9;
}

QString keyOf(const QTreeWidgetItem* node)
{
    return node->data(0, kKeyRole).toString();
}

} // namespace

PhonePane::PhonePane(PhoneLink& link, const LanguageTable& texts, CommandGate& gate, StatusPanels& status,
                     const Settings& settings, QObject* parent)
    : QObject(parent), link_(link), texts_(texts), gate_(gate), status_(status), settings_(settings)
{
    buildLeftColumn();
    buildFileList();
    buildFolderMenu();
    bindKeys();
}

void PhonePane::buildLeftColumn()
{
    leftColumn_ = new QWidget;
    favourites_ = new QToolBar(leftColumn_);
    favourites_->setObjectName(QStringLiteral("tlbFav"));
    favourites_->setIconSize(QSize(20, 20));
    const int images[] = {2, 10, 3, 5, 8};
    for (int button = 1; button <= 5; ++button) {
        QAction* action = favourites_->addAction(Icons::treeNode(images[button - 1]), QString(), this,
                                                 [this, button] { FavouriteCommand(button); });
        nameToolButton(favourites_, action, QStringLiteral("tlbFav_%1").arg(button));
        favouriteActions_ << action;
    }
    tree_ = new FolderTree(leftColumn_);
    tree_->setObjectName(QStringLiteral("tvFolders"));
    tree_->setHeaderHidden(true);
    tree_->setIconSize(QSize(20, 20));
    connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) { FolderClick(node); });
    // Opening a folder not yet listed lists it: that is where its sub-folders come from.
    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* node) {
        if (node->childCount() == 0 && !gate_.isCommandRunning()) {
            const QString key = keyOf(node);
            QTimer::singleShot(0, this, [this, key] { FolderClick(nodeByKey(key)); });
        }
    });
    connect(tree_, &FolderTree::folderReachedByKeyboard, this, [this](QTreeWidgetItem* node) {
        // Listed once the key press is done; a node gone by then is skipped.
        const QString key = keyOf(node);
        QTimer::singleShot(0, this, [this, key] { listFolderReachedByKeyboard(key); });
    });
    connect(tree_, &FolderTree::folderEntered, this, [this](QTreeWidgetItem* node) { FolderClick(node); });

    auto* layout = new QVBoxLayout(leftColumn_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(favourites_);
    layout->addWidget(tree_, 1);
    leftColumn_->setMinimumWidth(kLeftColumnFloor);
}

void PhonePane::buildFileList()
{
    files_ = new FileList;
    files_->setObjectName(QStringLiteral("lstFiles"));
    files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    files_->setContextMenuPolicy(Qt::CustomContextMenu);
    files_->setMinimumHeight(twips(2000 - 900));
    // No columns until a start-up has reached the phone.
    files_->setHeaderHidden(true);
    connect(files_, &QWidget::customContextMenuRequested, this, &PhonePane::showFileMenu);
    connect(files_, &QTreeWidget::itemDoubleClicked, this, &PhonePane::rowsOpened);
    connect(files_, &FileList::rowsEntered, this, [this] {
        if (hasSelectedRows())
            emit rowsOpened();
    });
    connect(files_, &QTreeWidget::itemSelectionChanged, this, &PhonePane::selectionChanged);
    connect(files_, &FileList::localPathsDropped, this, &PhonePane::localPathsDropped);
}

void PhonePane::buildFolderMenu()
{
    mnuFolderOp_ = new QMenu(tree_);
    mnuFolderOp_->setObjectName(QStringLiteral("mnuFolderOp"));
    mnuTRefresh_ = mnuFolderOp_->addAction(Icons::command(Icons::Command::Refresh), QString(), this,
                                           [this] { FolderClick(nodeByKey(folderMenuKey_)); });
    mnuTRefresh_->setObjectName(QStringLiteral("mnuTRefresh"));
    showKeyInMenu(mnuTRefresh_, QKeySequence(Qt::Key_F5));
    mnuTDownloadFolder_ =
        mnuFolderOp_->addAction(Icons::command(Icons::Command::Download), QString(), this, [this] {
            if (QTreeWidgetItem* node = nodeByKey(folderMenuKey_))
                emit folderDownloadWanted(node->data(0, kTagRole).toString());
        });
    mnuTDownloadFolder_->setObjectName(QStringLiteral("mnuTDownloadFolder"));
    // Closed without a choice, the menu leaves the highlight where the list is.
    connect(mnuFolderOp_, &QMenu::aboutToHide, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (!gate_.isCommandRunning())
                highlightListedFolder();
        });
    });
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree_, &QWidget::customContextMenuRequested, this, &PhonePane::showFolderMenu);
}

void PhonePane::bindKeys()
{
    // Delete and Ctrl+A act on phone files only while the tree or the list has
    // the focus, never while the user types in the address box.
    for (QWidget* view : {static_cast<QWidget*>(tree_), static_cast<QWidget*>(files_)}) {
        auto* remove = new QShortcut(QKeySequence::Delete, view, nullptr, nullptr, Qt::WidgetShortcut);
        connect(remove, &QShortcut::activated, this, &PhonePane::deleteWanted);
        auto* all = new QShortcut(QKeySequence::SelectAll, view, nullptr, nullptr, Qt::WidgetShortcut);
        connect(all, &QShortcut::activated, this, &PhonePane::selectAllRows);
    }
    connect(tree_, &FolderTree::parentFolderWanted, this, &PhonePane::goToParentFolder);
    connect(files_, &FileList::parentFolderWanted, this, &PhonePane::goToParentFolder);
}

void PhonePane::ApplyLanguage()
{
    // The favourites show pictures only; their text names them in the View menu.
    for (int i = 0; i < 5; ++i) {
        favouriteActions_[i]->setText(
            menuCaption(texts_, kFirstFavouriteMenuText + i, kFirstFavouriteText + i));
        favouriteActions_[i]->setToolTip(texts_.GetString(kFirstFavouriteText + i));
    }
    mnuTRefresh_->setText(texts_.GetString(kRefreshMenuText));
    mnuTDownloadFolder_->setText(texts_.GetString(kDownloadFolderText));
    // The headers follow the language even while no phone answers; a title
    // cut short by its column is whole in its tooltip.
    files_->setHeaderLabels({texts_.GetString(200), texts_.GetString(201), texts_.GetString(202)});
    for (int column = 0; column < 3; ++column)
        files_->headerItem()->setToolTip(column, texts_.GetString(200 + column));
}

void PhonePane::ShowPhoneRoot()
{
    if (!link_.isOpen())
        return;
    tree_->clear();
    nodes_.clear();
    nodeCounter_ = 1;
    auto* root = new QTreeWidgetItem(tree_, {QStringLiteral("/")});
    root->setData(0, kKeyRole, QStringLiteral("K1"));
    root->setData(0, kTagRole, QStringLiteral("/"));
    root->setIcon(0, Icons::treeNode(6));
    nodes_.insert(QStringLiteral("K1"), root);
    ListFolder(QStringLiteral("/"), QStringLiteral("K1"));
    tree_->setCurrentItem(root);
}

bool PhonePane::ListFolder(const QString& folder, const QString& parentKey)
{
    if (!link_.isOpen())
        return false;
    files_->clear();
    // From here on the list stands for this folder, whatever the tree's current node.
    listedFolder_ = folder;
    listedKey_ = parentKey;
    const ListingResult listing = link_.ListFolder(folder);
    if (listing.outcome != Outcome::Done)
        return false;
    // The parent may have gone while the phone answered (a second click).
    QTreeWidgetItem* parent = nodes_.value(parentKey);
    // Listed, a folder without sub-folders loses its expander.
    if (parent)
        parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    if (parent) {
        for (const PhoneEntry& entry : listing.entries) {
            if (entry.isFolder)
                addFolderNode(parent, entry.name, folder + entry.name + QLatin1Char('/'));
        }
    }
    files_->showFiles(folder, listing.entries, sizeUnitsOf(texts_));
    return true;
}

QTreeWidgetItem* PhonePane::addFolderNode(QTreeWidgetItem* parent, const QString& name, const QString& tag)
{
    ++nodeCounter_;
    const QString key = QStringLiteral("K%1").arg(nodeCounter_);
    auto* node = new QTreeWidgetItem(parent, {withVisibleControls(name)});
    node->setData(0, kKeyRole, key);
    node->setData(0, kTagRole, tag);
    // Its sub-folders are unknown until it is listed.
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    node->setIcon(0, Icons::treeNode(folderImage(name)));
    nodes_.insert(key, node);
    // The favourites' folders by their whole path: an "im" elsewhere is not the pictures.
    const std::pair<const char*, QString*> remembered[] = {
        {"/java/", &javaNodeKey_}, {"/ml/", &mlNodeKey_},    {"/ml/im/", &imNodeKey_},
        {"/ml/ri/", &riNodeKey_},  {"/ml/ci/", &ciNodeKey_}, {"/ml/vd/", &vdNodeKey_}};
    for (const auto& [path, field] : remembered) {
        if (tag == QLatin1String(path))
            *field = key;
    }
    parent->setExpanded(true);
    return node;
}

void PhonePane::removeChildren(QTreeWidgetItem* node)
{
    while (node->childCount() > 0)
        removeNode(node->child(0));
}

void PhonePane::removeNode(QTreeWidgetItem* node)
{
    removeChildren(node);
    nodes_.remove(keyOf(node));
    delete node;
}

bool PhonePane::FolderClick(QTreeWidgetItem* node)
{
    if (!node || gate_.refuseWithoutLine() || gate_.refuseWhileBusy())
        return false;
    const QString key = keyOf(node);
    const QString tag = node->data(0, kTagRole).toString();
    // Tree and list stay disabled throughout (DisableControls), which also
    // keeps the keyboard focus where the user had it.
    CommandGate::Scope scope(gate_);
    tree_->setCurrentItem(node);
    if (settings_.chargeDisplayOn())
        link_.ShowBatteryCharge();
    // The line may have gone while the charge was read, and the tree with it.
    node = nodes_.value(key);
    if (!node)
        return false;
    removeChildren(node);
    const bool listed = ListFolder(tag, key);
    tree_->viewport()->update();
    return listed;
}

bool PhonePane::showFolder(const QString& folder)
{
    QTreeWidgetItem* node = nodes_.value(QStringLiteral("K1"));
    QString tag = QStringLiteral("/");
    for (const QString& name : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        tag += name + QLatin1Char('/');
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; node && i < node->childCount() && !next; ++i) {
            if (node->child(i)->data(0, kTagRole).toString() == tag)
                next = node->child(i);
        }
        if (!next || !FolderClick(next))
            return false;
        node = next;
    }
    return true;
}

bool PhonePane::RefreshCommand()
{
    return FolderClick(nodes_.value(listedKey_, tree_->currentItem()));
}

void PhonePane::listFolderReachedByKeyboard(const QString& key)
{
    QTreeWidgetItem* node = nodes_.value(key);
    // Several keys pressed quickly: only the folder reached last is listed.
    if (node && node == tree_->currentItem() && node->data(0, kTagRole).toString() != listedFolder_)
        FolderClick(node);
}

void PhonePane::FavouriteCommand(int button)
{
    if (gate_.refuseWhileBusy())
        return;
    bool listed = false;
    {
        CommandGate::Scope scope(gate_);
        listed = ListFavourite(button);
    }
    if (listed)
        tree_->setFocus();
}

bool PhonePane::ListFavourite(int button)
{
    struct Favourite
    {
        const char* folder;
        QString* key;
    };
    const Favourite favourites[] = {{"/ml/im/", &imNodeKey_},
                                    {"/ml/ci/", &ciNodeKey_},
                                    {"/ml/ri/", &riNodeKey_},
                                    {"/ml/vd/", &vdNodeKey_},
                                    {"/java/", &javaNodeKey_}};
    if (button < 1 || button > 5 || gate_.refuseWithoutLine())
        return false;
    auto known = [this](const QString& key) { return !key.isEmpty() && nodes_.contains(key); };
    if (button <= 4 && !(known(imNodeKey_) && known(riNodeKey_) && known(ciNodeKey_) && known(vdNodeKey_)) &&
        known(mlNodeKey_)) {
        // Listing "/ml/" again replaces its sub-tree rather than adding a second copy.
        removeChildren(nodes_.value(mlNodeKey_));
        ListFolder(QStringLiteral("/ml/"), mlNodeKey_);
    }
    const Favourite& chosen = favourites[button - 1];
    if (!known(*chosen.key)) {
        // The tree shows what the list shows, and the status why it is not the favourite.
        highlightListedFolder();
        if (link_.isOpen())
            status_.setText(1, texts_.GetString(kNoSuchFolder) + QLatin1Char(' ') +
                                   QLatin1String(chosen.folder) + QLatin1Char('.'));
        return false;
    }
    const QString key = *chosen.key;
    removeChildren(nodes_.value(key));
    ListFolder(QLatin1String(chosen.folder), key);
    // The node may have gone with the line while the phone answered.
    if (QTreeWidgetItem* node = nodes_.value(key))
        tree_->setCurrentItem(node);
    return true;
}

void PhonePane::highlightListedFolder()
{
    if (QTreeWidgetItem* shown = nodeByKey(listedKey_))
        tree_->setCurrentItem(shown);
}

void PhonePane::goToParentFolder()
{
    // The folder the list shows is where the user is, wherever the highlight went.
    QTreeWidgetItem* shown = nodeByKey(listedKey_);
    if (shown && shown->parent())
        FolderClick(shown->parent());
}

void PhonePane::selectAllRows()
{
    files_->selectAll();
}

void PhonePane::showFolderMenu(const QPoint& position)
{
    QTreeWidgetItem* node = tree_->itemAt(position);
    if (!node)
        return;
    folderMenuKey_ = keyOf(node);
    mnuFolderOp_->popup(tree_->viewport()->mapToGlobal(position));
}

void PhonePane::showFileMenu(const QPoint& position)
{
    if (files_->topLevelItemCount() > 0)
        emit fileMenuWanted(files_->viewport()->mapToGlobal(position));
}

void PhonePane::clear()
{
    tree_->clear();
    nodes_.clear();
    for (QString* key : {&javaNodeKey_, &mlNodeKey_, &imNodeKey_, &riNodeKey_, &ciNodeKey_, &vdNodeKey_})
        key->clear();
    files_->clear();
    // Cleared from inside the port's error report the view does not always
    // repaint by itself (seen under a window manager): stale rows would stay.
    files_->viewport()->update();
    listedFolder_.clear();
    listedKey_.clear();
}

void PhonePane::setPhoneCommandsEnabled(bool enabled)
{
    for (QAction* action : {mnuTRefresh_, mnuTDownloadFolder_})
        action->setEnabled(enabled);
    for (QAction* action : favouriteActions_)
        action->setEnabled(enabled);
}

QList<QWidget*> PhonePane::controls() const
{
    return {tree_, files_, favourites_};
}

QList<PhoneRow> PhonePane::selectedRows() const
{
    return files_->selectedRows();
}

bool PhonePane::hasSelectedRows() const
{
    return files_->hasSelectedRows();
}

std::optional<qint64> PhonePane::listedSize(const QString& name) const
{
    return files_->listedSize(name);
}
