#include "WindowLayout.h"

#include "FileList.h"
#include "GripSplitter.h"
#include "LocalPane.h"
#include "PhonePane.h"
#include "Twips.h"
#include "settings/SettingsStore.h"

#include <QHeaderView>
#include <QMainWindow>
#include <QScreen>
#include <QSplitter>
#include <QStringList>
#include <QStyle>
#include <QWindow>

#include <utility>

namespace {

constexpr int kMinimumWidth = twips(9600);
constexpr int kMinimumHeight = twips(7200);
constexpr int kRightColumnFloor = twips(3000);
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

WindowLayout::WindowLayout(QMainWindow& window, SettingsStore& store, PhonePane& phone, LocalPane& local)
    : window_(window), store_(store), phone_(phone), local_(local),
      designedMinimum_(kMinimumWidth, kMinimumHeight)
{
    // Below the bar the pane keeps room down to 4000 twips above the window's bottom.
    local.setMinimumHeight(twips(4000) - 40);
    rightColumn_ = new GripSplitter(Qt::Vertical);
    rightColumn_->setObjectName(QStringLiteral("rightColumn"));
    rightColumn_->setOpaqueResize(false);
    rightColumn_->setChildrenCollapsible(false);
    rightColumn_->addWidget(phone.fileList());
    rightColumn_->addWidget(&local);
    rightColumn_->setStretchFactor(0, 2);
    rightColumn_->setStretchFactor(1, 3);
    rightColumn_->handle(1)->setObjectName(QStringLiteral("picResizeVert"));
    rightColumn_->setMinimumWidth(kRightColumnFloor);

    columns_ = new GripSplitter(Qt::Horizontal);
    columns_->setObjectName(QStringLiteral("columns"));
    // The bar moves alone; the panes follow when it is released.
    columns_->setOpaqueResize(false);
    columns_->setChildrenCollapsible(false);
    columns_->addWidget(phone.leftColumn());
    columns_->addWidget(rightColumn_);
    columns_->setStretchFactor(1, 1);
    columns_->setSizes({twips(3180), 800});
    columns_->handle(1)->setObjectName(QStringLiteral("picResizeHorz"));
    window.setCentralWidget(columns_);
    window.setMinimumSize(designedMinimum_);
}

void WindowLayout::save()
{
    const FileList* files = phone_.fileList();
    store_.write(QLatin1String(kGeometryKey), QString::fromLatin1(window_.saveGeometry().toBase64()));
    store_.write(QLatin1String(kColumnsSplitKey), numbers(columns_->sizes()));
    store_.write(QLatin1String(kRightSplitKey), numbers(rightColumn_->sizes()));
    QList<int> widths;
    for (int column = 0; column < files->columnCount(); ++column)
        widths << files->columnWidth(column);
    store_.write(QLatin1String(kFileColumnsKey), numbers(widths));
    store_.write(QLatin1String(kFileSortKey), sortText(files->sortColumnKept(), files->sortOrderKept()));
    const QHeaderView* local = local_.columnHeader();
    store_.write(QLatin1String(kLocalSortKey),
                 sortText(local->sortIndicatorSection(), local->sortIndicatorOrder()));
    store_.sync();
}

bool WindowLayout::restore()
{
    const FileList* files = phone_.fileList();
    // Once, as the window first opens: later start-up runs leave it as the user has it.
    if (std::exchange(restored_, true))
        return false;
    const QByteArray geometry = QByteArray::fromBase64(store_.read(QLatin1String(kGeometryKey)).toLatin1());
    if (!geometry.isEmpty())
        window_.restoreGeometry(geometry);
    fitToScreen();
    for (const auto& [splitter, key] :
         {std::pair{columns_, kColumnsSplitKey}, std::pair{rightColumn_, kRightSplitKey}}) {
        const QList<int> sizes = numbersIn(store_.read(QLatin1String(key)), splitter->count());
        if (!sizes.isEmpty())
            splitter->setSizes(sizes);
    }
    const QList<int> sort = numbersIn(store_.read(QLatin1String(kFileSortKey)), 2);
    if (!sort.isEmpty() && sort.at(0) >= -1 && sort.at(0) < files->columnCount()) {
        phone_.fileList()->keepSortOrder(sort.at(0),
                                         sort.at(1) == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
    const QList<int> local = numbersIn(store_.read(QLatin1String(kLocalSortKey)), 2);
    if (!local.isEmpty())
        local_.columnHeader()->setSortIndicator(local.at(0),
                                                local.at(1) == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    return true;
}

void WindowLayout::fitToScreen()
{
    // A size kept from a larger screen or a smaller scale would reach past
    // this screen, the status bar out of sight: the window takes at most the
    // screen's free area, its designed least size included.
    const QRect free = window_.screen()->availableGeometry();
    // The window system's frame is known once it has framed the window; until
    // then a title bar's height above and a frame's width round it are kept free.
    QMargins frame = window_.windowHandle() ? window_.windowHandle()->frameMargins() : QMargins();
    if (frame.isNull()) {
        const int border = window_.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &window_);
        frame = {border, window_.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window_), border,
                 border};
    }
    const QSize room = free.size().shrunkBy(frame);
    window_.setMinimumSize(designedMinimum_.boundedTo(room));
    if (window_.size() != window_.size().boundedTo(room))
        window_.resize(window_.size().boundedTo(room));
    // The position is the frame's. One that fits is left alone: the window
    // manager places a window the program does not.
    const QSize outer = window_.size().grownBy(frame);
    const QPoint inside(qBound(free.left(), window_.x(), free.left() + free.width() - outer.width()),
                        qBound(free.top(), window_.y(), free.top() + free.height() - outer.height()));
    if (inside != window_.pos())
        window_.move(inside);
}

void WindowLayout::restoreFileColumns()
{
    FileList* files = phone_.fileList();
    // Only the widths the user sets: the others follow the window and the sizes.
    const QList<int> widths = numbersIn(store_.read(QLatin1String(kFileColumnsKey)), files->columnCount());
    for (qsizetype column = 0; column < widths.size(); ++column) {
        if (files->header()->sectionResizeMode(static_cast<int>(column)) == QHeaderView::Interactive &&
            widths.at(column) > 0)
            files->setColumnWidth(static_cast<int>(column), widths.at(column));
    }
    files->keepSortOrder(files->sortColumnKept(), files->sortOrderKept());
}
