#include "ElidedHeader.h"

#include <QStyleOptionHeader>

ElidedHeader::ElidedHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    // What a tree view's own header does.
    setSectionsMovable(true);
    setStretchLastSection(true);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

int ElidedHeader::textRoom(int logicalIndex) const
{
    // The style would cut the title at the section's edge, or under the sort arrow.
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    int room = sectionSize(logicalIndex) - 2 * margin;
    if (isSortIndicatorShown() && sortIndicatorSection() == logicalIndex)
        room -= style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, this) + margin;
    return room;
}

QString ElidedHeader::shownText(int logicalIndex) const
{
    const QString title = model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    return fontMetrics().elidedText(title, Qt::ElideRight, textRoom(logicalIndex));
}

void ElidedHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const
{
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    option->text = shownText(logicalIndex);
}
