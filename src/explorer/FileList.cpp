#include "FileList.h"

#include "Icons.h"
#include "LocalPane.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace {
constexpr int kSizeColumn = 2;

// Files are only ever copied to the phone: a drop taken as a move would have
// the file manager delete the user's originals.
bool takeAsCopy(QDropEvent* event)
{
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
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
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
    auto* data = new QMimeData;
    data->setData(QLatin1String(kPhoneRowsMimeType), QByteArray());
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(Icons::dragRows());
    drag->exec(Qt::CopyAction);
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
