#include "Icons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOption>

#include <cmath>
#include <functional>

// Resources of a static library are linked in only when asked for by name.
static void initIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace Icons {

namespace {

constexpr int kSize = 32;

using Drawing = std::function<void(QPainter&)>;

// The pictures are drawn on a 32 x 32 grid; painted at the size and pixel
// density asked for, they stay sharp on any screen.
class DrawnIconEngine : public QIconEngine
{
public:
    explicit DrawnIconEngine(Drawing draw) : draw_(std::move(draw)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, scale));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(pixmap.width() / qreal(kSize), pixmap.height() / qreal(kSize));
        draw_(painter);
        painter.end();
        if (mode == QIcon::Disabled || mode == QIcon::Selected) {
            QStyleOption option;
            pixmap = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
        }
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new DrawnIconEngine(draw_); }

private:
    Drawing draw_;
};

QIcon drawn(Drawing draw)
{
    return QIcon(new DrawnIconEngine(std::move(draw)));
}

// A picture for a place that takes pixmaps, at the screen's pixel density.
QPixmap painted(const Drawing& draw, int width = kSize, int height = kSize)
{
    const qreal scale = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(width, height) * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return pixmap;
}

QIcon themedOr(const char* themeName, Drawing fallback)
{
    return QIcon::fromTheme(QLatin1String(themeName), drawn(std::move(fallback)));
}

void drawFolder(QPainter& p, const QColor& colour)
{
    p.setPen(QPen(colour.darker(150), 1.5));
    p.setBrush(colour.darker(115));
    p.drawRoundedRect(QRectF(3, 7, 12, 6), 2, 2);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(3, 10, 26, 18), 2, 2);
}

// The local disk's tray under the transfer arrows.
void drawTray(QPainter& p)
{
    p.setPen(QPen(QColor(70, 70, 80), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 22), QPointF(5, 28));
    p.drawLine(QPointF(5, 28), QPointF(27, 28));
    p.drawLine(QPointF(27, 28), QPointF(27, 22));
}

void drawArrow(QPainter& p, QPointF from, QPointF to, const QColor& colour)
{
    p.setPen(QPen(colour, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    const double spread = 0.6, length = 9;
    p.drawLine(to, to - QPointF(std::cos(angle - spread) * length, std::sin(angle - spread) * length));
    p.drawLine(to, to - QPointF(std::cos(angle + spread) * length, std::sin(angle + spread) * length));
}

void drawPhone(QPainter& p)
{
    p.setPen(QPen(QColor(40, 40, 60), 1.5));
    p.setBrush(QColor(90, 100, 130));
    p.drawRoundedRect(QRectF(9, 2, 14, 28), 3, 3);
    p.setBrush(QColor(170, 220, 240));
    p.drawRect(QRectF(11, 5, 10, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 220, 230));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            p.drawRect(QRectF(11.5 + column * 3.3, 18 + row * 3.6, 2.2, 2.2));
}

void drawCup(QPainter& p)
{
    p.setPen(QPen(QColor(150, 40, 20), 2));
    p.setBrush(QColor(230, 110, 40));
    p.drawRoundedRect(QRectF(6, 14, 16, 13), 3, 3);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(19, 16, 8, 8), -90 * 16, 180 * 16);
    p.setPen(QPen(QColor(120, 120, 120), 1.5));
    for (int x : {10, 14, 18})
        p.drawLine(QPointF(x, 11), QPointF(x + 1, 4));
}

Drawing treeNodeDrawing(int index)
{
    switch (index) {
    case 6:
        return drawPhone;
    case 8:
        return [](QPainter& p) {
            drawFolder(p, QColor(240, 200, 90));
            p.save();
            p.translate(8, 8);
            p.scale(0.75, 0.75);
            drawCup(p);
            p.restore();
        };
    default:
        break;
    }
    static const QColor kFolderColours[] = {
        QColor(240, 200, 90),  // 1 (unused) plain
        QColor(110, 190, 110), // 2 pictures
        QColor(240, 150, 70),  // 3 ring tones
        QColor(100, 150, 230), // 4 messages
        QColor(170, 110, 210), // 5 videos
        QColor(90, 100, 130),  // 6 root (painted above)
        QColor(245, 215, 80),  // 7 ml
        QColor(240, 200, 90),  // 8 java (painted above)
        QColor(225, 195, 120), // 9 other
        QColor(90, 180, 190),  // 10 camera
    };
    const QColor colour = index >= 1 && index <= 10 ? kFolderColours[index - 1] : kFolderColours[8];
    return [colour, index](QPainter& p) {
        drawFolder(p, colour);
        if (index == 10) {
            p.setPen(QPen(Qt::white, 2));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(11, 14, 10, 10));
        }
    };
}

} // namespace

QIcon command(Command which)
{
    switch (which) {
    case Command::Refresh:
        return themedOr("view-refresh", [](QPainter& p) {
            p.setPen(QPen(QColor(40, 140, 60), 3.5, Qt::SolidLine, Qt::RoundCap));
            p.drawArc(QRectF(5, 5, 22, 22), 60 * 16, 270 * 16);
            drawArrow(p, QPointF(23, 4), QPointF(24, 11), QColor(40, 140, 60));
        });
    case Command::Download:
        return themedOr("document-save", [](QPainter& p) {
            drawArrow(p, QPointF(16, 3), QPointF(16, 21), QColor(30, 110, 200));
            drawTray(p);
        });
    case Command::Delete:
        return themedOr("edit-delete", [](QPainter& p) {
            p.setPen(QPen(QColor(200, 40, 40), 4.5, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(7, 7), QPointF(25, 25));
            p.drawLine(QPointF(25, 7), QPointF(7, 25));
        });
    case Command::Settings:
        return themedOr("preferences-system", [](QPainter& p) {
            p.setPen(QPen(QColor(90, 90, 110), 4, Qt::SolidLine, Qt::RoundCap));
            for (int i = 0; i < 8; ++i) {
                const double angle = i * M_PI / 4;
                p.drawLine(QPointF(16 + 9 * std::cos(angle), 16 + 9 * std::sin(angle)),
                           QPointF(16 + 13 * std::cos(angle), 16 + 13 * std::sin(angle)));
            }
            p.setBrush(QColor(150, 150, 170));
            p.setPen(QPen(QColor(90, 90, 110), 2));
            p.drawEllipse(QRectF(7, 7, 18, 18));
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(12, 12, 8, 8));
        });
    case Command::Java:
        return drawn(drawCup);
    case Command::About:
        return themedOr("help-about", [](QPainter& p) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(40, 100, 200));
            p.drawEllipse(QRectF(3, 3, 26, 26));
            p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
            p.drawPoint(QPointF(16, 9.5));
            p.drawLine(QPointF(16, 15), QPointF(16, 23));
        });
    case Command::Upload:
        return themedOr("document-send", [](QPainter& p) {
            drawArrow(p, QPointF(16, 22), QPointF(16, 3), QColor(200, 110, 30));
            drawTray(p);
        });
    case Command::Up:
        return themedOr(
            "go-up", [](QPainter& p) { drawArrow(p, QPointF(16, 28), QPointF(16, 5), QColor(40, 120, 60)); });
    }
    return {};
}

QIcon treeNode(int index)
{
    return drawn(treeNodeDrawing(index));
}

QIcon drive(int index)
{
    return drawn([index](QPainter& p) {
        p.setPen(QPen(QColor(60, 60, 70), 1.5));
        p.setBrush(QColor(200, 200, 210));
        switch (index) {
        case 1: // removable: a stick
            p.drawRoundedRect(QRectF(9, 10, 14, 20), 2, 2);
            p.setBrush(QColor(150, 150, 160));
            p.drawRect(QRectF(12, 3, 8, 7));
            break;
        case 3: // network: a box with a cable
            p.drawRoundedRect(QRectF(3, 6, 26, 14), 2, 2);
            p.drawLine(QPointF(16, 20), QPointF(16, 28));
            p.drawLine(QPointF(6, 28), QPointF(26, 28));
            break;
        case 4: // optical: a disc
            p.setBrush(QColor(210, 220, 235));
            p.drawEllipse(QRectF(3, 3, 26, 26));
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(13, 13, 6, 6));
            break;
        case 5: // RAM: a module
            p.setBrush(QColor(60, 140, 80));
            p.drawRect(QRectF(3, 10, 26, 12));
            p.setBrush(QColor(30, 30, 30));
            for (int x = 6; x < 27; x += 6)
                p.drawRect(QRectF(x, 13, 4, 6));
            break;
        default: // fixed disk
            p.drawRoundedRect(QRectF(3, 9, 26, 15), 3, 3);
            p.setBrush(QColor(60, 190, 90));
            p.drawEllipse(QRectF(22, 19, 3, 3));
            break;
        }
    });
}

QPixmap battery(int level)
{
    return painted(
        [level](QPainter& p) {
            p.setPen(QPen(QColor(50, 50, 50), 1.5));
            p.setBrush(Qt::white);
            p.drawRoundedRect(QRectF(1, 2, 26, 12), 2, 2);
            p.setBrush(QColor(50, 50, 50));
            p.drawRect(QRectF(27, 5, 3, 6));
            const QColor fill = level <= 1   ? QColor(210, 40, 40)
                                : level <= 2 ? QColor(230, 160, 30)
                                             : QColor(50, 170, 70);
            p.setPen(Qt::NoPen);
            p.setBrush(fill);
            const int bars = qBound(0, level - 1, 5);
            for (int bar = 0; bar < bars; ++bar)
                p.drawRect(QRectF(3 + bar * 4.8, 4, 3.8, 8));
            if (bars == 0)
                p.drawRect(QRectF(3, 4, 1.5, 8));
        },
        32, 16);
}

QPixmap dragRows()
{
    return painted([](QPainter& p) {
        p.setPen(QPen(QColor(60, 60, 80), 1));
        for (int row = 0; row < 3; ++row) {
            p.setBrush(row == 0 ? QColor(120, 170, 240) : QColor(235, 235, 245));
            p.drawRect(QRectF(2 + row * 3, 4 + row * 8, 22, 7));
        }
    });
}

QIcon application()
{
    // The same picture the desktop menu shows; painted when the SVG plug-in is missing.
    initIconResources();
    QIcon icon(QStringLiteral(":/icons/vantrel.svg"));
    if (icon.pixmap(32, 32).isNull())
        return drawn(drawPhone);
    return icon;
}

} // namespace Icons
