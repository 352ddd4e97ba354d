#include "FileList.h"

#include "Icons.h"
#include "LocalPane.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

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
    if (!localPathsOf(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void FileList::dropEvent(QDropEvent* event)
{
    const QStringList paths = localPathsOf(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit localPathsDropped(paths);
}
