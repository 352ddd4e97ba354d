#include "FolderTree.h"

#include "FileList.h"
#include "Icons.h"
#include "LocalPane.h"

#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>

namespace {
constexpr int kTagRole = Qt::UserRole + 1;
}

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent)
{
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
}

void FolderTree::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        emit folderEntered(currentItem());
        return;
    }
    if (isParentFolderKey(event)) {
        emit parentFolderWanted();
        return;
    }
    const QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    if (currentItem() && currentItem() != before)
        emit folderReachedByKeyboard(currentItem());
}

void FolderTree::mousePressEvent(QMouseEvent* event)
{
    currentBeforePress_ = currentIndex();
    QTreeWidget::mousePressEvent(event);
}

void FolderTree::startDrag(Qt::DropActions)
{
    const QList<QTreeWidgetItem*> dragged = selectedItems();
    if (dragged.isEmpty())
        return;
    auto* data = new QMimeData;
    data->setData(QLatin1String(kPhoneFolderMimeType),
                  dragged.first()->data(0, kTagRole).toString().toUtf8());
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(Icons::dragRows());
    drag->exec(Qt::CopyAction);
    // A drag lists nothing: the highlight goes back to the folder it was on,
    // beside the rows that folder shows.
    if (currentBeforePress_.isValid())
        setCurrentIndex(currentBeforePress_);
}
