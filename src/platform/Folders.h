#pragma once

#include <QString>

// Where the program finds its files and keeps its work, per platform.
namespace Folders {

QString programFolder();
// "lng" beside the program, else the installed share folder.
QString languageFolder();
// The user's own cache folder, where each window makes its working folder.
QString cacheFolder();
// The folder the local pane starts in on a fresh profile.
QString defaultLastFolder();

// A folder made private (as temporary folders are) and then handed to the
// user gets the mode a plain new folder has under the user's umask.
void giveNormalMode(const QString& folder);

} // namespace Folders
