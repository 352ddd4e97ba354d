#pragma once

#include <QTreeWidget>

// The phone's folder tree. It tells when a key moved the current folder, so
// that the window lists the folder the user reached, as a click does, and
// when Enter or a parent-folder key was pressed. A folder dragged from it
// carries its phone path.
class FolderTree : public QTreeWidget
{
    Q_OBJECT
public:
    explicit FolderTree(QWidget* parent = nullptr);

signals:
    void folderReachedByKeyboard(QTreeWidgetItem* node);
    void folderEntered(QTreeWidgetItem* node);
    void parentFolderWanted();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    // The highlight before a press that may turn into a drag.
    QPersistentModelIndex currentBeforePress_;
};
