#pragma once

#include "FileList.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <optional>

class CommandGate;
class FolderTree;
class LanguageTable;
class PhoneLink;
class QAction;
class QMenu;
class QToolBar;
class QTreeWidgetItem;
class QWidget;
class StatusPanels;
struct Settings;

// A phone folder as the transfer commands name it: without its closing "/",
// the root as the empty text.
inline QString withoutClosingSlash(const QString& tag)
{
    return tag.endsWith(QLatin1Char('/')) ? tag.left(tag.size() - 1) : tag;
}

// The phone's side of the window: the favourites, the folder tree and the file
// list, which folder the list shows, its sort order and the selection, with
// their keys and the tree's context menu. What acts on the rows asks it for
// them; what it cannot do itself it asks for by a signal.
class PhonePane : public QObject
{
    Q_OBJECT
public:
    PhonePane(PhoneLink& link, const LanguageTable& texts, CommandGate& gate, StatusPanels& status,
              const Settings& settings, QObject* parent = nullptr);

    // The favourites above the tree, for the window's left column.
    QWidget* leftColumn() const { return leftColumn_; }
    FileList* fileList() const { return files_; }
    FolderTree* folderTree() const { return tree_; }
    QToolBar* favouritesBar() const { return favourites_; }
    const QList<QAction*>& favouriteActions() const { return favouriteActions_; }
    void ApplyLanguage();

    // The root node, listed; the tree starts afresh.
    void ShowPhoneRoot();
    // Lists each folder down to `folder` ("/ml/im/") in turn, as clicks would;
    // false where one is gone or could not be listed.
    bool showFolder(const QString& folder);
    // Lists the node's folder; false when it could not be listed.
    bool FolderClick(QTreeWidgetItem* node);
    // The folder the list shows, listed again, wherever the tree's highlight has wandered.
    bool RefreshCommand();
    void FavouriteCommand(int button);
    // The favourite's listing alone, for a command that is already running.
    // false when the favourite's folder is not known yet or there is no line.
    bool ListFavourite(int button);
    // Download and Delete act on the folder the list shows: the tree highlights it.
    void highlightListedFolder();
    void selectAllRows();

    // Nothing the phone said stays on show once it is out of reach.
    void clear();
    void setPhoneCommandsEnabled(bool enabled);
    // The controls a command disables while it waits for the phone.
    QList<QWidget*> controls() const;

    // The folder the list shows ("/ml/"), empty before the first listing.
    QString listedFolder() const { return listedFolder_; }
    // Copies of the selected rows: the list may be refilled while a command waits.
    QList<PhoneRow> selectedRows() const;
    bool hasSelectedRows() const;
    // The size the list shows for `name`, when the list holds it.
    std::optional<qint64> listedSize(const QString& name) const;

signals:
    void folderDownloadWanted(const QString& phoneFolder);
    // Enter on the rows or a double-click: open them.
    void rowsOpened();
    void deleteWanted();
    void selectionChanged();
    void fileMenuWanted(const QPoint& globalPosition);
    void localPathsDropped(const QStringList& paths);

private:
    void buildLeftColumn();
    void buildFileList();
    void buildFolderMenu();
    void bindKeys();
    bool ListFolder(const QString& folder, const QString& parentKey);
    QTreeWidgetItem* addFolderNode(QTreeWidgetItem* parent, const QString& name, const QString& tag);
    void removeNode(QTreeWidgetItem* node);
    void removeChildren(QTreeWidgetItem* node);
    void showFolderMenu(const QPoint& position);
    void showFileMenu(const QPoint& position);
    void goToParentFolder();
    void listFolderReachedByKeyboard(const QString& key);
    QTreeWidgetItem* nodeByKey(const QString& key) const { return nodes_.value(key); }

    PhoneLink& link_;
    const LanguageTable& texts_;
    CommandGate& gate_;
    StatusPanels& status_;
    const Settings& settings_;

    QWidget* leftColumn_ = nullptr;
    QToolBar* favourites_ = nullptr;
    QList<QAction*> favouriteActions_;
    FolderTree* tree_ = nullptr;
    FileList* files_ = nullptr;
    QMenu* mnuFolderOp_ = nullptr;
    QAction* mnuTRefresh_ = nullptr;
    QAction* mnuTDownloadFolder_ = nullptr;
    // The node the tree's context menu was opened on.
    QString folderMenuKey_;

    QHash<QString, QTreeWidgetItem*> nodes_;
    qint64 nodeCounter_ = 0;
    // The favourites' nodes, known once their folders are listed.
    QString javaNodeKey_, mlNodeKey_, imNodeKey_, riNodeKey_, ciNodeKey_, vdNodeKey_;
    // The folder the file list shows and the key of its node: commands act there.
    QString listedFolder_;
    QString listedKey_;
};
