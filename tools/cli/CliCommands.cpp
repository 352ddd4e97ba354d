#include "CliCommands.h"

#include "FolderCommands.h"
#include "phone/DisplayName.h"
#include "phone/KeptCopy.h"
#include "phone/LocalNames.h"
#include "phone/PhoneLink.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

constexpr int kExistsAlready = 124;

int statusFor(Outcome outcome)
{
    return outcome == Outcome::Done ? ExitSuccess : ExitPhoneFailed;
}

// Every listed item runs even after one failed; the worst result counts.
int combined(int status, Outcome outcome)
{
    return qMax(status, statusFor(outcome));
}

// Runs `operation` on each phone file (its folder with the closing "/", its
// name), once every path has been checked to name a file.
int forEachPhoneFile(PhoneLink& link, const QStringList& files,
                     const std::function<Outcome(const QString& folder, const QString& name)>& operation)
{
    QList<QPair<QString, QString>> targets;
    for (const QString& file : files) {
        QString folder, name;
        if (!splitPhoneFilePath(file, folder, name)) {
            printUsageError(QStringLiteral("not a phone file: ") + file);
            return ExitUsage;
        }
        targets.append({folder, name});
    }
    int status = ExitSuccess;
    for (const auto& [folder, name] : targets) {
        status = combined(status, operation(folder, name));
        if (link.stopRequested())
            break;
    }
    return status;
}

// Takes "--no-clobber" out of the arguments; true when it was there.
bool takeNoClobber(QStringList& arguments)
{
    return arguments.removeAll(QStringLiteral("--no-clobber")) > 0;
}

std::optional<qint64> sizeListed(const ListingResult& listing, const QString& name)
{
    for (const PhoneEntry& entry : listing.entries) {
        if (!entry.isFolder && entry.name == name)
            return entry.size;
    }
    return std::nullopt;
}

void sayKept(const PhoneLink& link, const QString& name)
{
    QTextStream(stderr) << link.text(kExistsAlready) << ' ' << link.shownName(name) << Qt::endl;
}

} // namespace

void printUsageError(const QString& problem)
{
    QTextStream(stderr) << "vantrel-cli: " << problem << " (try --help)\n";
}

bool splitPhoneFilePath(const QString& path, QString& folder, QString& name)
{
    const QString absolute = path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path;
    const qsizetype slash = absolute.lastIndexOf(QLatin1Char('/'));
    name = absolute.mid(slash + 1);
    folder = absolute.left(slash + 1);
    return !name.isEmpty();
}

QString normalisedPhoneFolder(const QString& folder)
{
    QString normalised = folder.startsWith(QLatin1Char('/')) ? folder : QLatin1Char('/') + folder;
    if (!normalised.endsWith(QLatin1Char('/')))
        normalised += QLatin1Char('/');
    return normalised;
}

int runList(PhoneLink& link, const QStringList& arguments)
{
    if (arguments.size() != 1) {
        printUsageError(QStringLiteral("ls takes one phone folder"));
        return ExitUsage;
    }
    const ListingResult listing = link.ListFolder(normalisedPhoneFolder(arguments.first()));
    // A name must never forge a line or reach the terminal as a command.
    const auto shown = isatty(fileno(stdout)) ? quotedForTerminal : escapedForPipe;
    for (const PhoneEntry& entry : listing.entries) {
        if (entry.isFolder)
            out() << shown(entry.name) << "/\n";
        else
            out() << shown(entry.name) << '\t' << entry.size << '\n';
    }
    out().flush();
    return statusFor(listing.outcome);
}

int runBattery(PhoneLink& link, const QStringList& arguments)
{
    if (!arguments.isEmpty()) {
        printUsageError(QStringLiteral("battery takes no arguments"));
        return ExitUsage;
    }
    const BatteryResult battery = link.QueryBatteryCharge();
    if (battery.outcome == Outcome::Done)
        out() << battery.percent << Qt::endl;
    return statusFor(battery.outcome);
}

int runGet(PhoneLink& link, const QStringList& givenArguments)
{
    if (givenArguments.contains(QLatin1String("-r"))) {
        QStringList folders = givenArguments;
        folders.removeAll(QStringLiteral("-r"));
        return runGetFolders(link, folders);
    }
    QStringList arguments = givenArguments;
    const bool noClobber = takeNoClobber(arguments);
    QStringList files;
    QString destination = QStringLiteral(".");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--to") && i + 1 < arguments.size())
            destination = arguments.at(++i);
        else if (arguments.at(i) == QLatin1String("--to")) {
            printUsageError(QStringLiteral("--to needs a folder"));
            return ExitUsage;
        } else
            files << arguments.at(i);
    }
    if (files.isEmpty()) {
        printUsageError(QStringLiteral("get needs at least one phone file"));
        return ExitUsage;
    }
    if (!QFileInfo(destination).isDir()) {
        printUsageError(QStringLiteral("no such local folder: ") + destination);
        return ExitUsage;
    }
    const QString localFolder = QDir(destination).absolutePath();
    // Two files of one name from two folders both stay.
    LocalNames names(foldsCase(localFolder));
    // Each folder's listing gives the size an answer must announce: an earlier
    // run's late answer is then never taken for this file.
    QHash<QString, ListingResult> listings;
    return forEachPhoneFile(link, files, [&](const QString& folder, const QString& name) {
        const QString localName = names.take(localFolder, name);
        if (noClobber && QFileInfo::exists(QDir(localFolder).filePath(localName))) {
            sayKept(link, localName);
            return Outcome::Done;
        }
        if (!listings.contains(folder))
            listings.insert(folder, link.ListFolder(folder));
        const ListingResult& listing = listings[folder];
        if (listing.outcome != Outcome::Done)
            return listing.outcome;
        const std::optional<qint64> listedSize = sizeListed(listing, name);
        // The phone takes a file's folder without its closing "/"; the root as "".
        const Outcome outcome = link.ReadFile(folder.chopped(1), name, localFolder,
                                              localName == name ? QString() : localName, listedSize);
        if (outcome == Outcome::Done && localName != name)
            QTextStream(stderr) << "name taken, kept as " << link.shownName(localName) << ": "
                                << link.shownName(folder + name) << Qt::endl;
        return outcome;
    });
}

int runPut(PhoneLink& link, const QStringList& givenArguments)
{
    QStringList arguments = givenArguments;
    const bool noClobber = takeNoClobber(arguments);
    if (arguments.size() < 2) {
        printUsageError(QStringLiteral("put needs local files and a phone folder"));
        return ExitUsage;
    }
    QString phoneFolder = normalisedPhoneFolder(arguments.last());
    // Which names the phone folder holds: a file replaced is kept until the new
    // one is whole. Without knowing, nothing is sent.
    const ListingResult listing = link.ListFolder(phoneFolder);
    if (listing.outcome != Outcome::Done)
        return statusFor(listing.outcome);
    phoneFolder.chop(1);
    int status = ExitSuccess;
    for (const QString& path : arguments.mid(0, arguments.size() - 1)) {
        if (link.stopRequested())
            break;
        const QFileInfo info(path);
        const bool replacing = sizeListed(listing, info.fileName()).has_value();
        if (replacing && noClobber) {
            sayKept(link, info.fileName());
            continue;
        }
        UploadItem item;
        item.LocalPath = info.absoluteFilePath();
        item.PhoneFolder = phoneFolder;
        item.FileName = info.fileName();
        item.FileSize = info.size();
        status = combined(status, replacing ? SendReplacing(link, item) : link.SendFile(item));
    }
    return status;
}

int runRemove(PhoneLink& link, const QStringList& arguments)
{
    if (arguments.isEmpty()) {
        printUsageError(QStringLiteral("rm needs at least one phone file"));
        return ExitUsage;
    }
    return forEachPhoneFile(link, arguments, [&](const QString& folder, const QString& name) {
        return link.DeleteFile(name, folder);
    });
}
