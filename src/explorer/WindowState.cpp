#include "ExplorerWindow.h"
#include "FileList.h"
#include "LocalPane.h"
#include "settings/SettingsStore.h"

#include <QHeaderView>
#include <QScreen>
#include <QSplitter>
#include <QStringList>
#include <QStyle>
#include <QWindow>

#include <utility>

// The window as the user left it: size and place, bars, columns and sort
// orders, in keys of their own beside the settings (a store without them
// gives the designed layout).
namespace {

constexpr const char* kGeometryKey = "sysWindowGeometry";
constexpr const char* kColumnsSplitKey = "sysColumnsSplitter";
constexpr const char* kRightSplitKey = "sysRightSplitter";
constexpr const char* kFileColumnsKey = "sysFileColumns";
constexpr const char* kFileSortKey = "sysFileSort";
constexpr const char* kLocalSortKey = "sysLocalSort";

QString numbers(const QList<int>& values)
{
    QStringList texts;
    for (const int value : values)
        texts << QString::number(value);
    return texts.join(QLatin1Char(','));
}

// The numbers of a stored list, or none when any of them is unreadable.
QList<int> numbersIn(const QString& text, qsizetype count)
{
    const QStringList texts = text.split(QLatin1Char(','));
    QList<int> values;
    for (const QString& part : texts) {
        bool ok = false;
        values << part.toInt(&ok);
        if (!ok)
            return {};
    }
    return values.size() == count ? values : QList<int>();
}

QString sortText(int column, Qt::SortOrder order)
{
    return numbers({column, order == Qt::AscendingOrder ? 0 : 1});
}

} // namespace

void ExplorerWindow::saveWindowState()
{
    store_.write(QLatin1String(kGeometryKey), QString::fromLatin1(saveGeometry().toBase64()));
    store_.write(QLatin1String(kColumnsSplitKey), numbers(columns_->sizes()));
    store_.write(QLatin1String(kRightSplitKey), numbers(rightColumn_->sizes()));
    QList<int> widths;
    for (int column = 0; column < lstFiles_->columnCount(); ++column)
        widths << lstFiles_->columnWidth(column);
    store_.write(QLatin1String(kFileColumnsKey), numbers(widths));
    store_.write(QLatin1String(kFileSortKey), sortText(sortColumn_, sortOrder_));
    const QHeaderView* local = localPane_->columnHeader();
    store_.write(QLatin1String(kLocalSortKey),
                 sortText(local->sortIndicatorSection(), local->sortIndicatorOrder()));
    store_.sync();
}

bool ExplorerWindow::restoreWindowState()
{
    // Once, as the window first opens: later start-up runs leave it as the user has it.
    if (std::exchange(windowStateRestored_, true))
        return false;
    const QByteArray geometry = QByteArray::fromBase64(store_.read(QLatin1String(kGeometryKey)).toLatin1());
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    fitToScreen();
    for (const auto& [splitter, key] :
         {std::pair{columns_, kColumnsSplitKey}, std::pair{rightColumn_, kRightSplitKey}}) {
        const QList<int> sizes = numbersIn(store_.read(QLatin1String(key)), splitter->count());
        if (!sizes.isEmpty())
            splitter->setSizes(sizes);
    }
    const QList<int> sort = numbersIn(store_.read(QLatin1String(kFileSortKey)), 2);
    if (!sort.isEmpty() && sort.at(0) >= -1 && sort.at(0) < lstFiles_->columnCount()) {
        sortColumn_ = sort.at(0);
        sortOrder_ = sort.at(1) == 0 ? Qt::AscendingOrder : Qt::DescendingOrder;
    }
    const QList<int> local = numbersIn(store_.read(QLatin1String(kLocalSortKey)), 2);
    if (!local.isEmpty())
        localPane_->columnHeader()->setSortIndicator(local.at(0), local.at(1) == 0 ? Qt::AscendingOrder
                                                                                   : Qt::DescendingOrder);
    return true;
}

void ExplorerWindow::fitToScreen()
{
    // A size kept from a larger screen or a smaller scale would reach past
    // this screen, the status bar out of sight: the window takes at most the
    // screen's free area, its designed least size included.
    const QRect free = screen()->availableGeometry();
    // The window system's frame is known once it has framed the window; until
    // then a title bar's height above and a frame's width round it are kept free.
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull()) {
        const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        frame = {border, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this), border, border};
    }
    const QSize room = free.size().shrunkBy(frame);
    setMinimumSize(designedMinimum_.boundedTo(room));
    if (size() != size().boundedTo(room))
        resize(size().boundedTo(room));
    // The position is the frame's. One that fits is left alone: the window
    // manager places a window the program does not.
    const QSize outer = size().grownBy(frame);
    const QPoint inside(qBound(free.left(), x(), free.left() + free.width() - outer.width()),
                        qBound(free.top(), y(), free.top() + free.height() - outer.height()));
    if (inside != pos())
        move(inside);
}

void ExplorerWindow::restoreFileColumns()
{
    // Only the widths the user sets: the others follow the window and the sizes.
    const QList<int> widths =
        numbersIn(store_.read(QLatin1String(kFileColumnsKey)), lstFiles_->columnCount());
    for (qsizetype column = 0; column < widths.size(); ++column) {
        if (lstFiles_->header()->sectionResizeMode(static_cast<int>(column)) == QHeaderView::Interactive &&
            widths.at(column) > 0)
            lstFiles_->setColumnWidth(static_cast<int>(column), widths.at(column));
    }
    keepSortOrder();
}
