#include "FolderCommands.h"

#include "CliCommands.h"
#include "phone/DisplayName.h"
#include "phone/FolderCopy.h"
#include "phone/PhoneLink.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

const char* const kFolderUsage =
    "\n"
    "Folder commands:\n"
    "  get -r PHONEFOLDER... [--to DIR] [--update]\n"
    "                                  copy phone folders with their sub-folders,\n"
    "                                  each into a folder of its name inside DIR\n"
    "  backup DIR [--update]           copy every folder the phone lists into DIR\n"
    "                                  (made when missing)\n"
    "  With --update, files already there with the same name and size are skipped.\n"
    "  A summary of files, bytes and failures ends both. A file whose name another\n"
    "  file of the same run took (names differing only by case on a disk that\n"
    "  ignores case) is kept as \"name (2).ext\" and named on stderr. A walk stops\n"
    "  at 64 levels, 10000 folders or 100000 entries and says so.\n";

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

QString reasonFor(CopyProblem problem)
{
    const QString rest = QStringLiteral(": the rest was not copied)");
    switch (problem) {
    case CopyProblem::TooDeep:
        return QStringLiteral(" (deeper than %1 levels").arg(kDeepestFolder) + rest;
    case CopyProblem::TooManyFolders:
        return QStringLiteral(" (more than %1 folders").arg(kMostFolders) + rest;
    case CopyProblem::TooManyEntries:
        return QStringLiteral(" (more than %1 files and folders").arg(kMostEntries) + rest;
    case CopyProblem::NotCopied:
        break;
    }
    return {};
}

// The summary on stdout; each file kept under another name and each failure
// on stderr, one a line; the exit status.
int summarise(const FolderCopyTally& tally)
{
    QTextStream out(stdout);
    out << "copied " << tally.files << (tally.files == 1 ? " file, " : " files, ") << tally.bytes
        << (tally.bytes == 1 ? " byte" : " bytes");
    if (tally.skipped > 0)
        out << ", skipped " << tally.skipped << " unchanged";
    if (!tally.renamed.isEmpty())
        out << ", " << tally.renamed.size() << " under another name";
    out << ", " << tally.failed.size() << " failed\n";
    out.flush();
    QTextStream err(stderr);
    // Phone names as ls shows them: a name cannot forge a line or drive the terminal.
    const auto shown = isatty(fileno(stderr)) ? quotedForTerminal : escapedForPipe;
    for (const KeptAs& kept : tally.renamed)
        err << "name taken, kept as " << shown(kept.localName) << ": " << shown(kept.path) << '\n';
    for (const CopyFailure& failure : tally.failed)
        err << "not copied: " << shown(failure.path) << reasonFor(failure.problem) << '\n';
    return tally.complete() ? ExitSuccess : ExitPhoneFailed;
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
    QStringList folders;
    for (const QString& item : read.items)
        folders << normalisedPhoneFolder(item);
    return summarise(CopyPhoneFolders(link, folders, QDir(read.destination).absolutePath(), read.options));
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
    return summarise(CopyPhoneFolders(link, {QStringLiteral("/")}, destination, read.options));
}
