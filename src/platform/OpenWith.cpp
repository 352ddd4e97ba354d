#include "OpenWith.h"

#include <QDesktopServices>
#include <QUrl>

namespace OpenWith {

namespace {
Opener& opener()
{
    static Opener current = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    return current;
}
} // namespace

bool openDocument(const QString& path)
{
    return opener()(path);
}

void setOpener(Opener replacement)
{
    opener() = std::move(replacement);
}

} // namespace OpenWith
