#pragma once

#include <QString>

// Where the program finds its files and keeps its work, per platform.
namespace Folders {

QString programFolder();
// "lng" beside the program, else the installed share folder.
QString languageFolder();
// "Temp" beside the program when that folder can be written and the program
// is not installed, else the per-user cache.
QString workingFolderPath();
// The folder the local pane starts in on a fresh profile.
QString defaultLastFolder();

// Empties (files only, unless `empty` is false: another running program uses
// it) or creates the working folder; returns its path with a closing
// separator, or an empty text when no folder could be prepared.
QString prepareWorkingFolder(const QString& folder, bool empty = true);
// Deletes the files in the working folder, leaving sub-folders and the lock
// of the program using it alone.
void emptyWorkingFolder(const QString& folder);

// A folder made private (as temporary folders are) and then handed to the
// user gets the mode a plain new folder has under the user's umask.
void giveNormalMode(const QString& folder);

} // namespace Folders
