// vantrel-cli: the phone link from the command line, with the same settings
// store and language texts as the window.
#include "CliCommands.h"
#include "Console.h"
#include "FolderCommands.h"
#include "JavaCommands.h"
#include "PortCommands.h"
#include "RepairCommands.h"
#include "phone/DisplayName.h"
#include "phone/LineLogFormat.h"
#include "phone/PhoneLink.h"
#include "phone/PortSurvey.h"
#include "platform/Folders.h"
#include "platform/PortNames.h"
#include "platform/ScratchFolder.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

const char* const kUsage =
    "Usage: vantrel-cli [--port DEVICE|COMn|auto] [--timeout MS] [--delay MS] [--slice BYTES]\n"
    "                   [--trace FILE] [-q|--quiet] [--json] COMMAND ...\n"
    "\n"
    "Commands:\n"
    "  ls FOLDER                       list a phone folder: \"name/\" for a folder,\n"
    "                                  \"name<TAB>size\" for a file; control characters\n"
    "                                  in names are quoted as ls does on a terminal,\n"
    "                                  and C-escaped (\\n, \\t, \\ooo; \\\\ for \\) in a pipe\n"
    "  battery                         the battery charge in percent\n"
    "  get PHONEFILE... [--to DIR] [--no-clobber]\n"
    "                                  copy phone files into DIR (default: here)\n"
    "  put LOCALFILE... PHONEFOLDER [--no-clobber]\n"
    "                                  copy local files into a phone folder\n"
    "                                  Both replace files of the same name unless\n"
    "                                  --no-clobber skips them.\n"
    "  rm PHONEFILE...                 delete phone files\n"
    "  repairs [--forget ID]           list what is still to be put right on a phone\n"
    "                                  after a run that ended early, or forget one\n"
    "                                  entry (a saved copy stays where it is)\n"
    "\n"
    "Options not given come from Vantrel's settings. --port takes a device path\n"
    "(/dev/ttyUSB0, or the path vantrel-phonesim prints), a port number as COMn,\n"
    "or auto: the only port a phone answers on (see ports below).\n"
    "--trace writes every command and answer on the line to FILE (- for stderr),\n"
    "as the window's line log shows them; a file's bytes only as count and first bytes.\n"
    "Each event is one line on stderr (\"vantrel-cli: FILE: what happened\"); a command\n"
    "on several files ends with a summary. -q (--quiet) says only errors and summaries.\n"
    "--json prints ls, java list, repairs and ports as one JSON document: names as they are\n"
    "(UTF-8), sizes as numbers.\n"
    "Ctrl-C ends at once: a partly received file is never written; a partly\n"
    "sent one is deleted on the phone at the next connection, which also waits\n"
    "until the phone has finished what it was still sending.\n"
    "Exit status: 0 done, 1 the phone refused, timed out or the line failed,\n"
    "2 usage error, 130 stopped by Ctrl-C.\n";

// Ctrl-C reaches the event loop through a pipe: a signal handler may do
// nothing more than write a byte. The handler is taken away after the first
// one, so a second Ctrl-C ends the program at once.
int interruptPipe[2] = {-1, -1};

void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(interruptPipe[1], &byte, 1);
}

bool catchInterrupts()
{
    if (::pipe(interruptPipe) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0;
}

struct Options
{
    QString port;
    QString trace;
    int timeout = 0, delay = 0, slice = 0;
    QString command;
    QStringList arguments;
};

bool readPositive(const QString& text, int& target, int largest = std::numeric_limits<int>::max())
{
    bool ok = false;
    target = text.toInt(&ok);
    return ok && target > 0 && target <= largest;
}

// A slice as large as the settings allow: the phone's own limit is what the
// settings were made for.
constexpr int kLargestSlice = std::numeric_limits<qint16>::max();

// Returns ExitSuccess when the options could be read, or the status to end with.
int parseOptions(const QStringList& arguments, Options& options)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        // How the client speaks is chosen before or after the command alike.
        if (argument == QLatin1String("-q") || argument == QLatin1String("--quiet")) {
            Console::modes().quiet = true;
            continue;
        }
        if (argument == QLatin1String("--json")) {
            Console::modes().json = true;
            continue;
        }
        if (!options.command.isEmpty()) {
            options.arguments << argument;
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            std::fputs(kFolderUsage, stdout);
            std::fputs(kJavaUsage, stdout);
            std::fputs(kPortsUsage, stdout);
            return -1;
        }
        const bool takesValue = argument == QLatin1String("--port") ||
                                argument == QLatin1String("--timeout") ||
                                argument == QLatin1String("--delay") ||
                                argument == QLatin1String("--slice") || argument == QLatin1String("--trace");
        if (takesValue && i + 1 >= arguments.size()) {
            printUsageError(argument + QStringLiteral(" needs a value"));
            return ExitUsage;
        }
        bool ok = true;
        if (argument == QLatin1String("--port"))
            options.port = arguments.at(++i);
        else if (argument == QLatin1String("--trace"))
            options.trace = arguments.at(++i);
        else if (argument == QLatin1String("--timeout"))
            ok = readPositive(arguments.at(++i), options.timeout);
        else if (argument == QLatin1String("--delay"))
            ok = readPositive(arguments.at(++i), options.delay);
        else if (argument == QLatin1String("--slice"))
            ok = readPositive(arguments.at(++i), options.slice, kLargestSlice);
        else if (argument.startsWith(QLatin1String("--"))) {
            printUsageError(QStringLiteral("unknown option ") + argument);
            return ExitUsage;
        } else
            options.command = argument;
        if (!ok) {
            printUsageError(argument + (argument == QLatin1String("--slice")
                                            ? QStringLiteral(" needs a number from 1 to 32767")
                                            : QStringLiteral(" needs a positive number")));
            return ExitUsage;
        }
    }
    if (options.command.isEmpty()) {
        printUsageError(QStringLiteral("no command given"));
        return ExitUsage;
    }
    return ExitSuccess;
}

// The line log of the window, written as it happens: a run that hangs or is
// killed still leaves every line up to then.
class TraceFile
{
public:
    bool open(const QString& path)
    {
        const bool opened = path == QLatin1String("-")
                                ? file_.open(stderr, QIODevice::WriteOnly)
                                : (file_.setFileName(path), file_.open(QIODevice::WriteOnly));
        if (!opened)
            QTextStream(stderr) << path << QStringLiteral(": ") << file_.errorString() << Qt::endl;
        return opened;
    }
    LineLogFormat& format() { return format_; }
    ~TraceFile() { format_.flush(); }

private:
    QFile file_;
    LineLogFormat format_{[this](const QString& line) {
        file_.write(line.toUtf8() + '\n');
        file_.flush();
    }};
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // A file grown beyond the user's size limit is a failed write to report,
    // not a reason to end the run with the phone still sending.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication::setApplicationName(QStringLiteral("Vantrel"));
    QCoreApplication::setOrganizationName(QStringLiteral("Vantrel"));

    Options options;
    const int parsed = parseOptions(QCoreApplication::arguments(), options);
    if (parsed != ExitSuccess)
        return parsed < 0 ? ExitSuccess : parsed;

    using Runner = std::function<int(PhoneLink&, const QStringList&)>;
    const std::map<QString, Runner> commands = {
        {QStringLiteral("ls"), runList},       {QStringLiteral("battery"), runBattery},
        {QStringLiteral("get"), runGet},       {QStringLiteral("put"), runPut},
        {QStringLiteral("rm"), runRemove},     {QStringLiteral("java"), runJava},
        {QStringLiteral("backup"), runBackup}, {QStringLiteral("repairs"), nullptr},
        {QStringLiteral("ports"), nullptr},
    };
    const auto command = commands.find(options.command);
    if (command == commands.end()) {
        printUsageError(QStringLiteral("unknown command ") + options.command);
        return ExitUsage;
    }

    SettingsStore store;
    const LoadSettingsResult loaded = LoadSettings(store, Folders::defaultLastFolder());
    LanguageTable texts;
    const InterfaceLanguageResult language =
        LoadInterfaceLanguage(texts, Folders::languageFolder(), loaded.values.LanguageFile);
    if (!language.fatalMessage.isEmpty()) {
        QTextStream(stderr) << language.fatalMessage << Qt::endl;
        return ExitUsage;
    }
    if (!language.warning.isEmpty())
        QTextStream(stderr) << language.warning << Qt::endl;
    if (loaded.hadUnreadableValue && !texts.GetString(101).isEmpty())
        QTextStream(stderr) << texts.GetString(101) << Qt::endl;

    Settings chosen = loaded.values;
    chosen.TimeOutTime = options.timeout > 0 ? options.timeout : chosen.TimeOutTime;
    chosen.DelayTime = options.delay > 0 ? options.delay : chosen.DelayTime;
    chosen.SliceSize = options.slice > 0 ? options.slice : chosen.SliceSize;

    QString portLabel = QStringLiteral("COM%1").arg(loaded.values.COMPort);
    QString device = resolvePortDevice(store.readPortDevice(loaded.values.COMPort), loaded.values.COMPort);
    const bool autoPort = options.port.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0;
    if (!options.port.isEmpty() && !autoPort) {
        const QRegularExpressionMatch numbered =
            QRegularExpression(QStringLiteral("^COM(\\d+)$"), QRegularExpression::CaseInsensitiveOption)
                .match(options.port);
        const int number = numbered.hasMatch() ? numbered.captured(1).toInt() : 0;
        portLabel = numbered.hasMatch() ? QStringLiteral("COM%1").arg(number) : options.port;
        device = numbered.hasMatch() ? resolvePortDevice(store.readPortDevice(number), number) : options.port;
    }

    ConsoleObserver observer(texts);
    TraceFile trace;
    PhoneLink link(texts, observer);
    PortSurvey survey;
    if (!options.trace.isEmpty()) {
        if (!trace.open(options.trace))
            return ExitUsage;
        if (options.trace == QLatin1String("-"))
            observer.hideProgress();
        answerWatch().setNext(&trace.format());
    }
    link.setLineTrace(&answerWatch());
    bool interrupted = false;
    std::unique_ptr<QSocketNotifier> interruptNotifier;
    if (catchInterrupts()) {
        interruptNotifier = std::make_unique<QSocketNotifier>(interruptPipe[0], QSocketNotifier::Read);
        QObject::connect(interruptNotifier.get(), &QSocketNotifier::activated, [&] {
            char byte = 0;
            [[maybe_unused]] const ssize_t taken = ::read(interruptPipe[0], &byte, 1);
            interrupted = true;
            survey.cancel();
            link.abandonLine();
        });
    }
    link.setTiming(PhoneLink::Timing::from(chosen));
    // Asking a port is bounded as the link bounds the phone's short answers.
    survey.setAnswerBound(qMin(PortSurvey::kAnswerBoundMillis, link.timing().TimeOutTime));
    // Status texts go to stderr: phone names there as ls shows them.
    link.setNameForm(isatty(fileno(stderr)) ? quotedForTerminal : escapedForPipe);
    // Downloads are received in a folder of our own, so a running window's
    // working folder is never touched.
    Folders::removeAbandonedScratchFolders();
    const Folders::ScratchFolder reception;
    link.setTempFolder(reception.path() + QLatin1Char('/'));
    // The journal is read without the phone.
    if (options.command == QLatin1String("repairs"))
        return runRepairs(link, options.arguments);
    if (options.command == QLatin1String("ports") || autoPort) {
        const QString settingsDevice = device;
        const int found = options.command == QLatin1String("ports")
                              ? runPorts(link, survey, options.arguments, settingsDevice)
                              : findAutoPort(link, survey, texts, settingsDevice, device);
        if (interrupted) {
            Console::linkLine(texts.GetString(141));
            return ExitInterrupted;
        }
        if (found != ExitSuccess || options.command == QLatin1String("ports"))
            return found;
        portLabel = device;
    }
    if (!link.OpenPort(portLabel, device))
        return ExitPhoneFailed;
    link.CarryOutRepairs();
    const int status = interrupted ? ExitInterrupted : command->second(link, options.arguments);
    if (interrupted) {
        // Nothing waits for the phone: the next run brings the line back in step.
        Console::linkLine(texts.GetString(141));
        QStringList left;
        for (const RepairJournal::Entry& entry : link.journal().entries()) {
            if (link.identity().answered && entry.phone == link.identity().key())
                left << link.shownName(entry.phonePath());
        }
        if (!left.isEmpty())
            Console::linkLine(texts.GetString(405) + QLatin1Char(' ') + left.join(QStringLiteral(", ")));
        link.ClosePort();
        return ExitInterrupted;
    }
    // The next command may come from another run at once: the phone still
    // needs its pause. A line out of step is the next run's to settle.
    // The outcome is told: a line lost meanwhile says nothing new.
    const Console::OwnWords quietly;
    link.waitOutPause();
    link.ClosePort();
    return status;
}
