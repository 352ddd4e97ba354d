#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

// Local files as the tests make and read them.

inline QByteArray readLocal(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Writes the file, its folders first; returns its path.
inline QString writeLocal(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

// Every folder ("a/") and file ("a/b=content") below `root`, hidden ones too, sorted.
inline QStringList readTree(const QString& root)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString relative = QDir(root).relativeFilePath(info.filePath());
        found << (info.isDir() ? relative + QLatin1Char('/')
                               : relative + QLatin1Char('=') + QString::fromUtf8(readLocal(info.filePath())));
    }
    found.sort();
    return found;
}

// Bytes of every value in a pattern that does not repeat within 256 bytes.
inline QByteArray patterned(int size, int seed = 0)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 256 + seed) & 0xFF);
    return bytes;
}
