#include "CommandScope.h"
#include "ExplorerWindow.h"
#include "FileList.h"
#include "Icons.h"
#include "phone/DisplayName.h"
#include "phone/PhoneLink.h"
#include "phone/PhoneTexts.h"
#include "settings/LanguageTable.h"
#include "settings/SizeText.h"

#include <QHeaderView>
#include <QMenu>
#include <QTreeWidget>

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kTagRole = Qt::UserRole + 1;
// A row's phone name; its text shows control characters as replacement characters.
constexpr int kNameRole = Qt::UserRole + 2;

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

} // namespace

void ExplorerWindow::ShowPhoneRoot()
{
    if (!link_->isOpen())
        return;
    tvFolders_->clear();
    nodes_.clear();
    NodeCounter = 1;
    auto* root = new QTreeWidgetItem(tvFolders_, {QStringLiteral("/")});
    root->setData(0, kKeyRole, QStringLiteral("K1"));
    root->setData(0, kTagRole, QStringLiteral("/"));
    root->setIcon(0, Icons::treeNode(6));
    nodes_.insert(QStringLiteral("K1"), root);
    ListFolder(QStringLiteral("/"), QStringLiteral("K1"));
    tvFolders_->setCurrentItem(root);
}

bool ExplorerWindow::ListFolder(const QString& folder, const QString& parentKey)
{
    if (!link_->isOpen())
        return false;
    lstFiles_->clear();
    // From here on the list stands for this folder, whatever the tree's current node.
    listedFolder_ = folder;
    listedKey_ = parentKey;
    const ListingResult listing = link_->ListFolder(folder);
    if (listing.outcome != Outcome::Done)
        return false;
    // The parent may have gone while the phone answered (a second click).
    QTreeWidgetItem* parent = nodes_.value(parentKey);
    // Listed, a folder without sub-folders loses its expander.
    if (parent)
        parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    const SizeUnits units = sizeUnitsOf(texts_);
    lstFiles_->setUpdatesEnabled(false);
    for (const PhoneEntry& entry : listing.entries) {
        if (entry.isFolder) {
            if (parent)
                addFolderNode(parent, entry.name, folder + entry.name + QLatin1Char('/'));
            continue;
        }
        auto* row =
            new FileRow(lstFiles_, {withVisibleControls(entry.name), folder, sizeInUnits(entry.size, units)});
        row->setData(0, kNameRole, entry.name);
        row->setData(2, FileRow::BytesRole, entry.size);
        row->setToolTip(2, bytesInUnits(entry.size, units));
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    keepSortOrder();
    lstFiles_->setUpdatesEnabled(true);
    return true;
}

QTreeWidgetItem* ExplorerWindow::addFolderNode(QTreeWidgetItem* parent, const QString& name,
                                               const QString& tag)
{
    ++NodeCounter;
    const QString key = QStringLiteral("K%1").arg(NodeCounter);
    auto* node = new QTreeWidgetItem(parent, {withVisibleControls(name)});
    node->setData(0, kKeyRole, key);
    node->setData(0, kTagRole, tag);
    // Its sub-folders are unknown until it is listed.
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    const int image = folderImage(name);
    node->setIcon(0, Icons::treeNode(image));
    nodes_.insert(key, node);
    // The favourites' folders by their whole path: an "im" elsewhere is not the pictures.
    const std::pair<const char*, QString*> remembered[] = {{"/java/", &JavaNodeKey}, {"/ml/", &MlNodeKey},
                                                           {"/ml/im/", &ImNodeKey},  {"/ml/ri/", &RiNodeKey},
                                                           {"/ml/ci/", &CiNodeKey},  {"/ml/vd/", &VdNodeKey}};
    for (const auto& [path, field] : remembered) {
        if (tag == QLatin1String(path))
            *field = key;
    }
    parent->setExpanded(true);
    return node;
}

void ExplorerWindow::removeChildren(QTreeWidgetItem* node)
{
    while (node->childCount() > 0)
        removeNode(node->child(0));
}

void ExplorerWindow::removeNode(QTreeWidgetItem* node)
{
    removeChildren(node);
    nodes_.remove(node->data(0, kKeyRole).toString());
    delete node;
}

bool ExplorerWindow::FolderClick(QTreeWidgetItem* node)
{
    if (!node || refuseWithoutLine() || refuseWhileBusy())
        return false;
    const QString key = node->data(0, kKeyRole).toString();
    const QString tag = node->data(0, kTagRole).toString();
    // Tree and list stay disabled throughout (DisableControls), which also
    // keeps the keyboard focus where the user had it.
    CommandScope scope(*this);
    tvFolders_->setCurrentItem(node);
    if (settings_.chargeDisplayOn())
        link_->ShowBatteryCharge();
    // The line may have gone while the charge was read, and the tree with it.
    node = nodes_.value(key);
    if (!node)
        return false;
    removeChildren(node);
    const bool listed = ListFolder(tag, key);
    tvFolders_->viewport()->update();
    return listed;
}

void ExplorerWindow::listFolderReachedByKeyboard(const QString& key)
{
    QTreeWidgetItem* node = nodes_.value(key);
    // Several keys pressed quickly: only the folder reached last is listed.
    if (node && node == tvFolders_->currentItem() && node->data(0, kTagRole).toString() != listedFolder_)
        FolderClick(node);
}

void ExplorerWindow::sortByColumn(int column)
{
    // One direction is shared by all columns: any click flips it.
    sortOrder_ = sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    sortColumn_ = column;
    keepSortOrder();
}

void ExplorerWindow::keepSortOrder()
{
    // Rows of every later listing come in the order the header shows.
    if (sortColumn_ < 0)
        return;
    lstFiles_->sortItems(sortColumn_, sortOrder_);
    lstFiles_->header()->setSortIndicatorShown(true);
    lstFiles_->header()->setSortIndicator(sortColumn_, sortOrder_);
}

void ExplorerWindow::showFileMenu(const QPoint& position)
{
    if (lstFiles_->topLevelItemCount() == 0)
        return;
    mnuFileOp_->popup(lstFiles_->viewport()->mapToGlobal(position));
}

QList<ExplorerWindow::PhoneRow> ExplorerWindow::selectedRows() const
{
    // Copies, not rows: the list may be refilled while a command waits for the
    // phone. Each row names the folder it came from, which is where a command
    // on it acts, wherever the tree's current node has moved since.
    QList<PhoneRow> rows;
    for (int i = 0; i < lstFiles_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = lstFiles_->topLevelItem(i);
        if (row->isSelected())
            rows << PhoneRow{row->data(0, kNameRole).toString(), row->text(1),
                             row->data(2, FileRow::BytesRole).toLongLong()};
    }
    return rows;
}
