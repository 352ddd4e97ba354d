#include "MenuCopies.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

QString menuCopiesFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/java-menus");
}

QString saveMenuCopy(const QByteArray& content, const QString& folder)
{
    if (!QDir().mkpath(folder))
        return QString();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QString suffix = attempt == 1 ? QString() : QStringLiteral("-%1").arg(attempt);
        const QString path =
            QDir(folder).filePath(QStringLiteral("selector-") + stamp + suffix + QStringLiteral(".utf"));
        QFile copy(path);
        // NewOnly: an earlier copy of the same second is never replaced.
        if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            continue;
        if (copy.write(content) == content.size() && copy.flush()) {
            copy.close();
            return path;
        }
        copy.remove();
        return QString();
    }
    return QString();
}
