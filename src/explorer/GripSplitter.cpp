#include "GripSplitter.h"

#include <QPainter>
#include <QSplitterHandle>

namespace {

constexpr int kHandleWidth = 7;
constexpr int kDots = 5;
constexpr int kDotSpacing = 5;

class GripHandle : public QSplitterHandle
{
public:
    using QSplitterHandle::QSplitterHandle;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window).darker(underMouse() ? 112 : 104));
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(QPalette::Mid).darker(130));
        const QPointF centre = QRectF(rect()).center();
        const bool across = orientation() == Qt::Horizontal;
        for (int dot = 0; dot < kDots; ++dot) {
            const double offset = (dot - (kDots - 1) / 2.0) * kDotSpacing;
            const QPointF at = across ? centre + QPointF(0, offset) : centre + QPointF(offset, 0);
            painter.drawEllipse(at, 1.5, 1.5);
        }
    }
    void enterEvent(QEnterEvent* event) override
    {
        update();
        QSplitterHandle::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override
    {
        update();
        QSplitterHandle::leaveEvent(event);
    }
};

} // namespace

GripSplitter::GripSplitter(Qt::Orientation orientation, QWidget* parent) : QSplitter(orientation, parent)
{
    setHandleWidth(kHandleWidth);
}

QSplitterHandle* GripSplitter::createHandle()
{
    auto* handle = new GripHandle(orientation(), this);
    handle->setAttribute(Qt::WA_Hover);
    return handle;
}
