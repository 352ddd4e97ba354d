#pragma once

#include <QTreeWidget>

#include <functional>

// A row of the file list: name, phone folder and size. Sizes sort as numbers.
class FileRow : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    // The size column shows "1.5 MB" and keeps the exact bytes for sorting.
    static constexpr int BytesRole = Qt::UserRole;
    bool operator<(const QTreeWidgetItem& other) const override;
};

// The phone's file list: a report view of name, folder and size. Dragging the
// selected rows (plainly, or at once with an Alt-press, as before) carries what
// `setRowsDragData` makes; local files dropped on it from the desktop are
// offered for upload.
class FileList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

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
    std::function<QMimeData*()> makeRowsDragData_;
};

// Backspace or Alt+Up: the keys that go to the parent folder.
bool isParentFolderKey(const QKeyEvent* event);
