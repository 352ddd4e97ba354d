#include "FolderCommands.h"

#include "CliCommands.h"
#include "phone/FolderCopy.h"
#include "phone/PhoneLink.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

const char* const kFolderUsage =
    "\n"
    "Folder commands:\n"
    "  get -r PHONEFOLDER... [--to DIR] [--update]\n"
    "                                  copy phone folders with their sub-folders,\n"
    "                                  each into a folder of its name inside DIR\n"
    "  backup DIR [--update]           copy every folder the phone lists into DIR\n"
    "                                  (made when missing)\n"
    "  With --update, files already there with the same name and size are skipped.\n"
    "  A summary of files, bytes and failures ends both.\n";

namespace {

struct FolderArguments
{
    QStringList items;
    QString destination = QStringLiteral(".");
    FolderCopyOptions options;
};

// False after a usage error was printed.
bool readFolderArguments(const QStringList& arguments, bool takesTo, FolderArguments& read)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--update"))
            read.options.skipUnchanged = true;
        else if (takesTo && argument == QLatin1String("--to") && i + 1 < arguments.size())
            read.destination = arguments.at(++i);
        else if (argument.startsWith(QLatin1String("--"))) {
            printUsageError(argument == QLatin1String("--to") ? QStringLiteral("--to needs a folder")
                                                              : QStringLiteral("unknown option ") + argument);
            return false;
        } else
            read.items << argument;
    }
    return true;
}

// The summary on stdout, each failure on stderr; the exit status.
int summarise(const FolderCopyTally& tally)
{
    QTextStream out(stdout);
    out << "copied " << tally.files << (tally.files == 1 ? " file, " : " files, ") << tally.bytes
        << (tally.bytes == 1 ? " byte" : " bytes");
    if (tally.skipped > 0)
        out << ", skipped " << tally.skipped << " unchanged";
    out << ", " << tally.failed.size() << " failed\n";
    out.flush();
    QTextStream err(stderr);
    for (const QString& path : tally.failed)
        err << "not copied: " << path << '\n';
    return tally.complete() ? ExitSuccess : ExitPhoneFailed;
}

void add(FolderCopyTally& total, const FolderCopyTally& part)
{
    total.files += part.files;
    total.bytes += part.bytes;
    total.skipped += part.skipped;
    total.failed += part.failed;
    total.end = part.end;
}

} // namespace

int runGetFolders(PhoneLink& link, const QStringList& arguments)
{
    FolderArguments read;
    if (!readFolderArguments(arguments, true, read))
        return ExitUsage;
    if (read.items.isEmpty()) {
        printUsageError(QStringLiteral("get -r needs at least one phone folder"));
        return ExitUsage;
    }
    if (!QFileInfo(read.destination).isDir()) {
        printUsageError(QStringLiteral("no such local folder: ") + read.destination);
        return ExitUsage;
    }
    const QString destination = QDir(read.destination).absolutePath();
    FolderCopyTally total;
    for (const QString& item : read.items) {
        const QString folder = normalisedPhoneFolder(item);
        const QString name = phoneFolderName(folder);
        // The root has no name of its own: its copy is the destination itself.
        const QString local = name.isEmpty() ? destination : localFolderFor(destination, name);
        if (local.isEmpty())
            total.failed << folder;
        else
            add(total, CopyPhoneFolder(link, folder, local, read.options));
        if (total.end != Outcome::Done)
            break;
    }
    return summarise(total);
}

int runBackup(PhoneLink& link, const QStringList& arguments)
{
    FolderArguments read;
    if (!readFolderArguments(arguments, false, read))
        return ExitUsage;
    if (read.items.size() != 1) {
        printUsageError(QStringLiteral("backup takes one local folder"));
        return ExitUsage;
    }
    const QString destination = QDir(read.items.first()).absolutePath();
    if (!QDir().mkpath(destination)) {
        printUsageError(QStringLiteral("cannot make the local folder ") + destination);
        return ExitUsage;
    }
    return summarise(CopyPhoneFolder(link, QStringLiteral("/"), destination, read.options));
}
