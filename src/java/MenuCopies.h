#pragma once

#include <QByteArray>
#include <QString>

// The user's data folder for the copies of earlier menus.
QString menuCopiesFolder();
// Saves a copy named by date and time; a later copy never replaces an earlier
// one. Its path, or an empty text when it could not be saved.
QString saveMenuCopy(const QByteArray& content, const QString& folder);
