#include "JavaIcons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// Resources of a static library are linked in only when asked for by name.
static void initJavaIconResources()
{
    Q_INIT_RESOURCE(java_icons);
}

namespace JavaIcons {

namespace {

// Rendered here rather than through the SVG icon plug-in, which a bare
// installation may lack.
QIcon rendered(const QString& name, std::initializer_list<int> sizes)
{
    initJavaIconResources();
    QSvgRenderer renderer(QStringLiteral(":/java/") + name);
    QIcon icon;
    for (int size : sizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon toolbar(int index)
{
    static const char* const names[] = {"open-folder.svg", "install.svg", "send.svg", "remove.svg",
                                        "export.svg"};
    if (index < 1 || index > 5)
        return QIcon();
    return rendered(QLatin1String(names[index - 1]), {32, 64});
}

QIcon treeNode(int index)
{
    const char* name = index == 7 ? "menu.svg" : index == 8 ? "detail.svg" : "folder.svg";
    return rendered(QLatin1String(name), {16, 32});
}

} // namespace JavaIcons
