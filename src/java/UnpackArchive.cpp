#include "PackageArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>
#include <functional>
#include <memory>

namespace {

using ReadArchive = std::unique_ptr<archive, decltype(&archive_read_free)>;
using WriteArchive = std::unique_ptr<archive, decltype(&archive_write_free)>;

// Only the RAR readers: the all-formats detection takes a package whose jar
// ends in a ZIP directory for a ZIP archive.
ReadArchive openPackage(const QString& path)
{
    ReadArchive reader(archive_read_new(), &archive_read_free);
    archive_read_support_format_rar(reader.get());
    archive_read_support_format_rar5(reader.get());
    if (archive_read_open_filename(reader.get(), QFile::encodeName(path).constData(), 64 * 1024) !=
        ARCHIVE_OK)
        return ReadArchive(nullptr, &archive_read_free);
    return reader;
}

bool isHarmlessPath(const QString& path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.contains(QLatin1Char('\\')) ||
        path.contains(QLatin1Char(':')))
        return false;
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part == QLatin1String("..") || part == QLatin1String("."))
            return false;
        for (QChar c : part) {
            if (c.unicode() < 32 || c.unicode() == 127)
                return false;
        }
    }
    return !parts.isEmpty();
}

QString entryPath(archive_entry* entry)
{
    const char* name = archive_entry_pathname_utf8(entry);
    return name ? QString::fromUtf8(name) : QFile::decodeName(archive_entry_pathname(entry));
}

// A plain file or folder under a harmless relative path, and the whole
// archive so far within the limits.
bool acceptableEntry(archive_entry* entry, const UnpackLimits& limits, int& entries, qint64& bytes)
{
    const mode_t type = archive_entry_filetype(entry);
    if (++entries > limits.maxEntries || (type != AE_IFREG && type != AE_IFDIR) ||
        !isHarmlessPath(entryPath(entry)) || archive_entry_hardlink(entry) || archive_entry_symlink(entry))
        return false;
    if (type == AE_IFDIR)
        return true;
    if (!archive_entry_size_is_set(entry) || archive_entry_size(entry) < 0)
        return false;
    bytes += archive_entry_size(entry);
    return bytes <= limits.maxBytes;
}

// Reads every entry's header and checks it; `onEntry` handles each accepted one.
bool forEachAcceptableEntry(archive* reader, const UnpackLimits& limits,
                            const std::function<bool(archive_entry*)>& onEntry)
{
    archive_entry* entry = nullptr;
    int entries = 0;
    qint64 bytes = 0;
    int status;
    while ((status = archive_read_next_header(reader, &entry)) == ARCHIVE_OK) {
        if (!acceptableEntry(entry, limits, entries, bytes) || !onEntry(entry))
            return false;
    }
    return status == ARCHIVE_EOF && entries > 0;
}

// The first pass looks at every entry before anything is written.
bool allEntriesAcceptable(const QString& archivePath, const UnpackLimits& limits)
{
    ReadArchive reader = openPackage(archivePath);
    return reader && forEachAcceptableEntry(reader.get(), limits, [](archive_entry*) { return true; });
}

// Copies one entry's data, counting it: stored RAR entries carry no check the
// reader verifies, so a short or long entry shows only in its size.
bool copyData(archive* reader, archive* writer, qint64 expected)
{
    qint64 written = 0;
    char buffer[64 * 1024];
    for (;;) {
        const la_ssize_t got = archive_read_data(reader, buffer, sizeof buffer);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        written += got;
        if (written > expected || archive_write_data(writer, buffer, static_cast<size_t>(got)) != got)
            return false;
    }
    return written == expected;
}

// libarchive's secure checks refuse absolute paths, so extraction runs from
// inside the folder; the current folder is put back before returning.
class CurrentFolder
{
public:
    explicit CurrentFolder(const QString& folder) : previous_(QDir::currentPath())
    {
        entered_ = QDir::setCurrent(folder);
    }
    ~CurrentFolder() { QDir::setCurrent(previous_); }
    bool entered() const { return entered_; }

private:
    QString previous_;
    bool entered_ = false;
};

// The second pass checks each entry again: the file may have changed since.
bool extractAll(const QString& archivePath, const QString& folder, const UnpackLimits& limits)
{
    ReadArchive reader = openPackage(archivePath);
    WriteArchive writer(archive_write_disk_new(), &archive_write_free);
    if (!reader || !writer)
        return false;
    archive_write_disk_set_options(writer.get(), ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                                                     ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS |
                                                     ARCHIVE_EXTRACT_SECURE_SYMLINKS);
    CurrentFolder inside(folder);
    if (!inside.entered())
        return false;
    const bool written = forEachAcceptableEntry(reader.get(), limits, [&](archive_entry* entry) {
        // The package's own permissions do not matter on the phone; files stay readable.
        archive_entry_set_perm(entry, archive_entry_filetype(entry) == AE_IFDIR ? 0755 : 0644);
        if (archive_write_header(writer.get(), entry) != ARCHIVE_OK)
            return false;
        if (archive_entry_filetype(entry) == AE_IFREG &&
            !copyData(reader.get(), writer.get(), archive_entry_size(entry)))
            return false;
        return archive_write_finish_entry(writer.get()) == ARCHIVE_OK;
    });
    return written && archive_write_close(writer.get()) == ARCHIVE_OK;
}

} // namespace

bool UnpackArchive(const QString& archivePath, const QString& folder, const UnpackLimits& limits)
{
    if (!allEntriesAcceptable(archivePath, limits))
        return false;
    if (extractAll(archivePath, folder, limits))
        return true;
    // Half an archive is no package: the folder is left empty, as it was given.
    for (const QFileInfo& entry :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
    return false;
}
