#include "CliCommands.h"

#include "Console.h"
#include "FolderCommands.h"
#include "phone/DisplayName.h"
#include "phone/KeptCopy.h"
#include "phone/LocalNames.h"
#include "phone/PhoneLink.h"
#include "phone/PhoneTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

// How a command on several files went; said last.
struct Tally
{
    qsizetype done = 0, failed = 0;
    void count(Outcome outcome) { ++(outcome == Outcome::Done ? done : failed); }
    void summarise(const PhoneLink& link, qsizetype given) const
    {
        if (given < 2)
            return;
        Console::summary(link.text(CliTexts::FilesDone) + QLatin1Char(' ') + QString::number(done) +
                         QLatin1Char(' ') + link.text(CliTexts::Of) + QLatin1Char(' ') +
                         QString::number(given) + QStringLiteral(", ") + link.text(CliTexts::FilesFailed) +
                         QLatin1Char(' ') + QString::number(failed));
    }
};

// Why an operation failed, as far as its outcome and the line tell; empty
// when the command must look closer. `command`: the phone command it sends.
QString causeOf(const PhoneLink& link, Outcome outcome, const QByteArray& command)
{
    switch (outcome) {
    case Outcome::TimedOut:
        return link.text(CliTexts::NoAnswer);
    case Outcome::LineLost:
        return link.text(CliTexts::LineLost);
    case Outcome::Stopped:
    case Outcome::Cancelled:
        return link.text(CliTexts::Stopped);
    case Outcome::NotRun:
        if (!link.isOpen())
            return link.text(CliTexts::LineLost);
        break;
    case Outcome::Done:
    case Outcome::Failed:
        break;
    }
    if (answerWatch().wasRefused(command))
        return link.text(CliTexts::Refused);
    return {};
}

// What the link said about a failure, without the step it was under way with.
QString linkCause(const PhoneLink& link)
{
    const QString said = Console::linkSaid();
    const qsizetype step = said.indexOf(QLatin1String("... "));
    const QString cause = step >= 0 ? said.mid(step + 4) : said;
    return cause.isEmpty() ? link.text(CliTexts::WrongAnswer) : cause;
}

// The cause as far as the outcome and the line tell, else as the link said it.
QString failureCause(const PhoneLink& link, Outcome outcome, const QByteArray& command)
{
    const QString known = causeOf(link, outcome, command);
    return known.isEmpty() ? linkCause(link) : known;
}

// One line for a file's failure; a Ctrl-C is said once, by the run itself.
void tellFailure(const QString& subject, Outcome outcome, const QString& cause)
{
    if (outcome != Outcome::Cancelled)
        Console::error(subject, cause);
}

// Empty when the file can be read; else the system's reason.
QString whyNotReadable(const QString& path)
{
    if (QFileInfo(path).isDir())
        return QString::fromLocal8Bit(std::strerror(EISDIR));
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (descriptor < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    ::close(descriptor);
    return {};
}

// Why `bytes` cannot be written into `folder`, in the system's words, found by
// trying it on a scratch file; empty when they can.
QString whyNotWritable(const QString& folder, qint64 bytes)
{
    QByteArray name = QFile::encodeName(folder) + "/.vantrel-cli-XXXXXX";
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    const QByteArray zeros(64 * 1024, '\0');
    int failure = 0;
    for (qint64 left = bytes; left > 0 && failure == 0;) {
        const ssize_t written =
            ::write(descriptor, zeros.constData(), size_t(qMin<qint64>(left, zeros.size())));
        failure = written < 0 ? errno : 0;
        left -= qMax<ssize_t>(written, 0);
    }
    ::close(descriptor);
    ::unlink(name.constData());
    return failure == 0 ? QString() : QString::fromLocal8Bit(std::strerror(failure));
}

QString downloadCause(const PhoneLink& link, Outcome outcome, const QString& localPath, qint64 size)
{
    const QString known = causeOf(link, outcome, "AT+QFRF");
    if (!known.isEmpty())
        return known;
    // A link in the way is refused before the file is opened; the system's reason is an earlier file's then.
    const bool diskSaidNo = !link.localWriteError().isEmpty() &&
                            !Console::linkSaid().startsWith(link.text(PhoneTexts::LinkInTheWay));
    if (diskSaidNo) {
        const QString reason = whyNotWritable(QFileInfo(localPath).absolutePath(), size);
        return link.text(CliTexts::CannotWrite) + QLatin1Char(' ') + link.shownName(localPath) +
               QStringLiteral(": ") + (reason.isEmpty() ? link.localWriteError() : reason);
    }
    // Refused before it went out: the link said why (a name unfit for a local file).
    if (!answerWatch().wasSent("AT+QFRF"))
        return linkCause(link);
    return link.text(CliTexts::WrongAnswer);
}

// A part of the file the phone still holds, for the next connection to delete.
bool partialLeft(PhoneLink& link, const UploadItem& item)
{
    for (const RepairJournal::Entry& entry : link.journal().entries()) {
        if (entry.kind == RepairJournal::Kind::DeletePartial && entry.folder == item.PhoneFolder &&
            entry.name == item.FileName && link.identity().answered && entry.phone == link.identity().key())
            return true;
    }
    return false;
}

// Runs `operation` on each phone file (its folder with the closing "/", its
// name), once every path has been checked to name a file.
int forEachPhoneFile(PhoneLink& link, const QStringList& files,
                     const std::function<Outcome(const QString& folder, const QString& name)>& operation)
{
    Tally tally;
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
        Console::startFile();
        const Outcome outcome = operation(folder, name);
        tally.count(outcome);
        status = combined(status, outcome);
        if (link.stopRequested())
            break;
    }
    tally.summarise(link, files.size());
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
    Console::remark(link.text(kExistsAlready) + QLatin1Char(' ') + link.shownName(name));
}

QJsonArray listingJson(const ListingResult& listing)
{
    QJsonArray entries;
    for (const PhoneEntry& entry : listing.entries) {
        QJsonObject item{
            {QStringLiteral("name"), entry.name},
            {QStringLiteral("type"), entry.isFolder ? QStringLiteral("folder") : QStringLiteral("file")}};
        if (!entry.isFolder)
            item.insert(QStringLiteral("size"), entry.size);
        entries.append(item);
    }
    return entries;
}

} // namespace

// Names as they are: JSON escapes what would act on a terminal, and so must
// the few controls it leaves (DEL, C1, the Unicode line separators).
void printJson(const QJsonDocument& document)
{
    const QString text = QString::fromUtf8(document.toJson(QJsonDocument::Indented));
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 0x7f && isControlCharacter(c))
            safe += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    out() << safe;
    out().flush();
}

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
    const Console::OwnWords ownWords;
    Console::startFile();
    const QString folder = normalisedPhoneFolder(arguments.first());
    const ListingResult listing = link.ListFolder(folder);
    if (listing.outcome != Outcome::Done) {
        tellFailure(link.shownName(folder), listing.outcome, failureCause(link, listing.outcome, "AT+QFSL"));
        return statusFor(listing.outcome);
    }
    if (Console::modes().json) {
        printJson(QJsonDocument(listingJson(listing)));
        return ExitSuccess;
    }
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
    const Console::OwnWords ownWords;
    Console::startFile();
    const BatteryResult battery = link.QueryBatteryCharge();
    if (battery.outcome == Outcome::Done)
        out() << battery.percent << Qt::endl;
    else
        tellFailure(QStringLiteral("battery"), battery.outcome,
                    failureCause(link, battery.outcome, "AT+CBC"));
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
    const Console::OwnWords ownWords;
    return forEachPhoneFile(link, files, [&](const QString& folder, const QString& name) {
        const QString subject = link.shownName(folder + name);
        const QString localName = names.take(localFolder, name);
        const QString localPath = QDir(destination).filePath(localName); // as the user named the folder
        if (noClobber && QFileInfo::exists(QDir(localFolder).filePath(localName))) {
            sayKept(link, localName);
            return Outcome::Done;
        }
        if (!listings.contains(folder))
            listings.insert(folder, link.ListFolder(folder));
        const ListingResult& listing = listings[folder];
        if (listing.outcome != Outcome::Done) {
            tellFailure(subject, listing.outcome, failureCause(link, listing.outcome, "AT+QFSL"));
            return listing.outcome == Outcome::Done ? Outcome::Failed : listing.outcome;
        }
        const std::optional<qint64> listedSize = sizeListed(listing, name);
        if (!listedSize) {
            Console::error(subject, link.text(CliTexts::NoSuchFile));
            return Outcome::Failed;
        }
        // The phone takes a file's folder without its closing "/"; the root as "".
        const Outcome outcome = link.ReadFile(folder.chopped(1), name, localFolder,
                                              localName == name ? QString() : localName, listedSize);
        if (outcome != Outcome::Done) {
            tellFailure(subject, outcome, downloadCause(link, outcome, localPath, *listedSize));
            return outcome;
        }
        if (localName != name)
            Console::remark(QStringLiteral("name taken, kept as ") + link.shownName(localName) +
                            QStringLiteral(": ") + subject);
        Console::note(subject, link.text(CliTexts::CopiedTo) + QLatin1Char(' ') + link.shownName(localPath));
        return outcome;
    });
}

namespace {

// One local file into the phone folder, its outcome said in one line.
Outcome putOne(PhoneLink& link, const QString& path, const QString& phoneFolder, const ListingResult& listing,
               bool noClobber)
{
    const QFileInfo info(path);
    // The system's own words for a file that is not there or cannot be read.
    const QString unreadable = whyNotReadable(path);
    if (!unreadable.isEmpty()) {
        Console::error(path, unreadable);
        return Outcome::Failed;
    }
    const QString subject = link.shownName(phoneFolder + QLatin1Char('/') + info.fileName());
    const bool replacing = sizeListed(listing, info.fileName()).has_value();
    if (replacing && noClobber) {
        sayKept(link, info.fileName());
        return Outcome::Done;
    }
    UploadItem item;
    item.LocalPath = info.absoluteFilePath();
    item.PhoneFolder = phoneFolder;
    item.FileName = info.fileName();
    item.FileSize = info.size();
    const Outcome outcome = replacing ? SendReplacing(link, item) : link.SendFile(item);
    if (outcome == Outcome::Done) {
        Console::note(subject, link.text(CliTexts::Sent));
        return outcome;
    }
    // What is left on the phone belongs to the same event.
    const QString left =
        partialLeft(link, item) ? QStringLiteral("; ") + link.text(CliTexts::PartialStays) : QString();
    tellFailure(subject, outcome, failureCause(link, outcome, "AT+QFWF") + left);
    return outcome;
}

} // namespace

int runPut(PhoneLink& link, const QStringList& givenArguments)
{
    QStringList arguments = givenArguments;
    const bool noClobber = takeNoClobber(arguments);
    if (arguments.size() < 2) {
        printUsageError(QStringLiteral("put needs local files and a phone folder"));
        return ExitUsage;
    }
    QString phoneFolder = normalisedPhoneFolder(arguments.last());
    const Console::OwnWords ownWords;
    Console::startFile();
    // Which names the phone folder holds: a file replaced is kept until the new
    // one is whole. Without knowing, nothing is sent.
    const ListingResult listing = link.ListFolder(phoneFolder);
    if (listing.outcome != Outcome::Done) {
        tellFailure(link.shownName(phoneFolder), listing.outcome,
                    failureCause(link, listing.outcome, "AT+QFSL"));
        return statusFor(listing.outcome);
    }
    phoneFolder.chop(1);
    int status = ExitSuccess;
    Tally tally;
    const QStringList sources = arguments.mid(0, arguments.size() - 1);
    for (const QString& path : sources) {
        if (link.stopRequested())
            break;
        Console::startFile();
        const Outcome outcome = putOne(link, path, phoneFolder, listing, noClobber);
        tally.count(outcome);
        status = combined(status, outcome);
    }
    tally.summarise(link, sources.size());
    return status;
}

int runRemove(PhoneLink& link, const QStringList& arguments)
{
    if (arguments.isEmpty()) {
        printUsageError(QStringLiteral("rm needs at least one phone file"));
        return ExitUsage;
    }
    const Console::OwnWords ownWords;
    return forEachPhoneFile(link, arguments, [&](const QString& folder, const QString& name) {
        const QString subject = link.shownName(folder + name);
        const Outcome outcome = link.DeleteFile(name, folder);
        if (outcome == Outcome::Done) {
            Console::note(subject, link.text(CliTexts::Deleted));
            return outcome;
        }
        tellFailure(subject, outcome, failureCause(link, outcome, "AT+QFDF"));
        return outcome;
    });
}
