#include "FileList.h"

#include "ElidedHeader.h"
#include "Icons.h"
#include "LocalPane.h"
#include "Twips.h"
#include "phone/DisplayName.h"
#include "phone/PhoneTypes.h"
#include "settings/SizeText.h"

#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace {
constexpr int kSizeColumn = 2;
// A row's phone name; its text shows control characters as replacement characters.
constexpr int kNameRole = Qt::UserRole + 2;

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
    header()->setSectionsClickable(true);
    // One direction is shared by all columns: any click flips it.
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        keepSortOrder(column, sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
    });
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

void FileList::setUpColumns()
{
    clear();
    setHeaderHidden(false);
    setColumnCount(3);
    setColumnWidth(0, twips(2250));
    setColumnWidth(1, twips(2250));
    setColumnWidth(2, twips(750));
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The name takes the room the window has beyond the three designed widths.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::Stretch);
    // Sizes of several hundred KB must show whole.
    header()->setSectionResizeMode(kSizeColumn, QHeaderView::ResizeToContents);
    header()->setMinimumSectionSize(twips(750));
}

void FileList::showFiles(const QString& folder, const QList<PhoneEntry>& entries, const SizeUnits& units)
{
    setUpdatesEnabled(false);
    for (const PhoneEntry& entry : entries) {
        if (entry.isFolder)
            continue;
        auto* row =
            new FileRow(this, {withVisibleControls(entry.name), folder, sizeInUnits(entry.size, units)});
        row->setData(0, kNameRole, entry.name);
        row->setData(kSizeColumn, FileRow::BytesRole, entry.size);
        row->setToolTip(kSizeColumn, bytesInUnits(entry.size, units));
        row->setTextAlignment(kSizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    }
    applySortOrder();
    setUpdatesEnabled(true);
}

QList<PhoneRow> FileList::selectedRows() const
{
    // Each row names the folder it came from, which is where a command on it
    // acts, wherever the tree's current node has moved since.
    QList<PhoneRow> rows;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = topLevelItem(i);
        if (row->isSelected())
            rows << PhoneRow{row->data(0, kNameRole).toString(), row->text(1),
                             row->data(kSizeColumn, FileRow::BytesRole).toLongLong()};
    }
    return rows;
}

std::optional<qint64> FileList::listedSize(const QString& name) const
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = topLevelItem(i);
        if (row->data(0, kNameRole).toString() == name)
            return row->data(kSizeColumn, FileRow::BytesRole).toLongLong();
    }
    return std::nullopt;
}

void FileList::keepSortOrder(int column, Qt::SortOrder order)
{
    sortColumn_ = column;
    sortOrder_ = order;
    applySortOrder();
}

void FileList::applySortOrder()
{
    // Rows of every later listing come in the order the header shows.
    if (sortColumn_ < 0)
        return;
    sortItems(sortColumn_, sortOrder_);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(sortColumn_, sortOrder_);
}
