#include "FolderTree.h"

void FolderTree::keyPressEvent(QKeyEvent* event)
{
    const QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    if (currentItem() && currentItem() != before)
        emit folderReachedByKeyboard(currentItem());
}
