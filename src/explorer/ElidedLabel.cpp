#include "ElidedLabel.h"

void ElidedLabel::setWordings(const QStringList& longestFirst)
{
    if (longestFirst == wordings_)
        return;
    wordings_ = longestFirst;
    showFitting();
    updateGeometry();
}

int ElidedLabel::textWidth(const QString& text) const
{
    const QMargins margins = contentsMargins();
    return fontMetrics().horizontalAdvance(text) + margins.left() + margins.right() + 2 * margin() + 2;
}

int ElidedLabel::shortestWidth() const
{
    return wordings_.isEmpty() ? 0 : textWidth(wordings_.constLast());
}

QSize ElidedLabel::sizeHint() const
{
    return {textWidth(fullText()), QLabel::sizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {qMin(sizeHint().width(), fontMetrics().horizontalAdvance(QStringLiteral("M\u2026M"))),
            QLabel::minimumSizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    showFitting();
}

void ElidedLabel::showFitting()
{
    const int room = contentsRect().width() - 2 * margin();
    for (const QString& wording : std::as_const(wordings_)) {
        if (fontMetrics().horizontalAdvance(wording) <= room)
            return QLabel::setText(wording);
    }
    QLabel::setText(fontMetrics().elidedText(wordings_.value(wordings_.size() - 1), Qt::ElideMiddle, room));
}
