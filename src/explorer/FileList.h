#pragma once

#include <QTreeWidget>

#include <functional>
#include <optional>

struct PhoneEntry;
struct SizeUnits;

// A selected row of the file list: its name and the phone folder it was listed from.
struct PhoneRow
{
    QString name;
    QString folder;
    qint64 size = -1;
};

// A row of the file list: name, phone folder and size. Sizes sort as numbers.
class FileRow : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    // The size column shows "1.5 MB" and keeps the exact bytes for sorting.
    static constexpr int BytesRole = Qt::UserRole;
    bool operator<(const QTreeWidgetItem& other) const override;
};

// The phone's file list: a report view of name, folder and size, in the order
// the header shows (any click on it flips the one direction). Dragging the
// selected rows (plainly, or at once with an Alt-press, as before) carries what
// `setRowsDragData` makes; local files dropped on it from the desktop are
// offered for upload.
class FileList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

    // The three columns, once a start-up has reached the phone.
    void setUpColumns();
    // A folder's files as rows; its sub-folders are the tree's.
    void showFiles(const QString& folder, const QList<PhoneEntry>& entries, const SizeUnits& units);
    // Copies of the selected rows: the list may be refilled while a command waits.
    QList<PhoneRow> selectedRows() const;
    bool hasSelectedRows() const { return !selectedItems().isEmpty(); }
    // The size the list shows for `name`, when it holds it.
    std::optional<qint64> listedSize(const QString& name) const;
    int sortColumnKept() const { return sortColumn_; }
    Qt::SortOrder sortOrderKept() const { return sortOrder_; }
    void keepSortOrder(int column, Qt::SortOrder order);

    // The local paths a drop carries, in its order; empty when it carries none.
    static QStringList localPathsOf(const QMimeData* data);
    void setRowsDragData(std::function<QMimeData*()> make) { makeRowsDragData_ = std::move(make); }
    // What a drag of the selected rows carries (null without rows); the caller owns it.
    QMimeData* rowsDragData() const { return makeRowsDragData_ ? makeRowsDragData_() : nullptr; }

signals:
    void localPathsDropped(const QStringList& paths);
    // Enter on the rows: as a double-click.
    void rowsEntered();
    // Backspace or Alt+Up.
    void parentFolderWanted();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    void applySortOrder();

    std::function<QMimeData*()> makeRowsDragData_;
    Qt::SortOrder sortOrder_ = Qt::DescendingOrder;
    int sortColumn_ = -1;
};

// Backspace or Alt+Up: the keys that go to the parent folder.
bool isParentFolderKey(const QKeyEvent* event);
