#pragma once

#include <QTreeWidget>

// A row of the file list: name, phone folder and size. Sizes sort as numbers.
class FileRow : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    // The size column shows "1.5 MB" and keeps the exact bytes for sorting.
    static constexpr int BytesRole = Qt::UserRole;
    bool operator<(const QTreeWidgetItem& other) const override;
};

// The phone's file list: a report view of name, folder and size. An Alt-press
// starts the program's own drag of the selected rows; local files dropped on
// it from the desktop are offered for upload.
class FileList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

    // The local paths a drop carries, in its order; empty when it carries none.
    static QStringList localPathsOf(const QMimeData* data);

signals:
    void localPathsDropped(const QStringList& paths);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};
