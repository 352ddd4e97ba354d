#pragma once

#include <QString>

// Bounds on what one package may unpack: a suite is a few hundred kilobytes and
// the phone's whole memory a few megabytes.
struct UnpackLimits
{
    int maxEntries = 64;
    qint64 maxBytes = 16LL * 1024 * 1024;
};

// Unpacks a package (a RAR 4 or RAR 5 archive) into an existing, empty folder.
// Every entry is checked before anything is written: an absolute path, a ".."
// part, a link, a device, too many entries or too many bytes refuse the whole
// archive. False when refused or when an entry could not be written whole;
// the folder is then empty.
bool UnpackArchive(const QString& archivePath, const QString& folder, const UnpackLimits& limits = {});
