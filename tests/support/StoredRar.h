#pragma once

#include <QByteArray>
#include <QList>

// Stored (uncompressed) RAR 4 archives for tests: no RAR writer is packaged
// here, and this is all a package needs.
struct RarEntry
{
    QByteArray name;
    QByteArray data;
    // Unix mode as the archive records it: 0100644 a file, 040755 a folder,
    // 0120777 a link (data: its target), 020644 a device.
    quint32 mode = 0100644;
    // The unpacked size the header claims; -1: the data's size.
    qint64 claimedSize = -1;
};

QByteArray storedRar4(const QList<RarEntry>& entries);
// Writes the archive; false when the file could not be written.
bool writeStoredRar4(const QString& path, const QList<RarEntry>& entries);
