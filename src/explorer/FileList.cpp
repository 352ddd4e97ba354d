#include "FileList.h"

#include "ElidedHeader.h"
#include "Icons.h"
#include "LocalPane.h"

#include <QDrag>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace {
constexpr int kSizeColumn = 2;

// Files are only ever copied to the phone: a drop taken as a move would have
// the file manager delete the user's originals.
bool takeAsCopy(QDropEvent* event)
{
    // The list's own rows dragged over it are no upload (and asking for their
    // files would download them).
    if (event->mimeData()->hasFormat(QLatin1String(kPhoneRowsMimeType))) {
        event->ignore();
        return false;
    }
    if (FileList::localPathsOf(event->mimeData()).isEmpty() || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}
} // namespace

bool FileRow::operator<(const QTreeWidgetItem& other) const
{
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    if (column == kSizeColumn)
        return data(column, BytesRole).toLongLong() < other.data(column, BytesRole).toLongLong();
    return QTreeWidgetItem::operator<(other);
}

FileList::FileList(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAcceptDrops(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setDropIndicatorShown(false);
    // Translated titles are often wider than their columns.
    setHeader(new ElidedHeader(this));
}

QStringList FileList::localPathsOf(const QMimeData* data)
{
    // File managers offer plain text beside the URLs of every file drop; the
    // URLs are what counts.
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    return paths;
}

void FileList::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || event->modifiers() != Qt::AltModifier) {
        QTreeWidget::mousePressEvent(event);
        return;
    }
    // Many window managers take an Alt-drag for moving the window; there the
    // plain drag below serves.
    startDrag(Qt::CopyAction);
}

void FileList::startDrag(Qt::DropActions)
{
    QMimeData* data = rowsDragData();
    if (!data)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(Icons::dragRows());
    // Copies only: a file manager taking a move would delete what it got.
    drag->exec(Qt::CopyAction);
}

void FileList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit rowsEntered();
        return;
    }
    if (isParentFolderKey(event)) {
        emit parentFolderWanted();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

bool isParentFolderKey(const QKeyEvent* event)
{
    return (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier) ||
           (event->key() == Qt::Key_Up && event->modifiers() == Qt::AltModifier);
}

void FileList::dragEnterEvent(QDragEnterEvent* event)
{
    // An entering drag is judged like a moving one.
    dragMoveEvent(event);
}

void FileList::dragMoveEvent(QDragMoveEvent* event)
{
    takeAsCopy(event);
}

void FileList::dropEvent(QDropEvent* event)
{
    if (takeAsCopy(event))
        emit localPathsDropped(localPathsOf(event->mimeData()));
}
