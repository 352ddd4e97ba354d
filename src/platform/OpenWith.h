#pragma once

#include <QString>

#include <functional>

// Opens a document with the desktop's default program. Tests replace the
// opener to observe the request without starting anything.
namespace OpenWith {
using Opener = std::function<bool(const QString& path)>;
bool openDocument(const QString& path);
void setOpener(Opener opener);
} // namespace OpenWith
