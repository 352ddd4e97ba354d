#include "ElidedLabel.h"

void ElidedLabel::setFullText(const QString& text)
{
    if (text == full_)
        return;
    full_ = text;
    showFitting();
    updateGeometry();
}

QSize ElidedLabel::sizeHint() const
{
    const QMargins margins = contentsMargins();
    return {fontMetrics().horizontalAdvance(full_) + margins.left() + margins.right() + 2 * margin() + 2,
            QLabel::sizeHint().height()};
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
    QLabel::setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, contentsRect().width() - 2 * margin()));
}
