// vantrel-cli: the phone link from the command line, with the same settings
// store and language texts as the window.
#include "CliCommands.h"
#include "FolderCommands.h"
#include "JavaCommands.h"
#include "phone/DisplayName.h"
#include "phone/PhoneLink.h"
#include "phone/PhoneObserver.h"
#include "phone/TransferMeter.h"
#include "platform/Folders.h"
#include "platform/PortNames.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

const char* const kUsage =
    "Usage: vantrel-cli [--port DEVICE|COMn] [--timeout MS] [--delay MS] [--slice BYTES] COMMAND ...\n"
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
    "\n"
    "Options not given come from Vantrel's settings. --port takes a device path\n"
    "(/dev/ttyUSB0, or the path vantrel-phonesim prints) or a port number as COMn.\n"
    "Ctrl-C stops a transfer: a partly sent file is deleted on the phone, a\n"
    "partly received one is never written. A second Ctrl-C ends at once.\n"
    "Exit status: 0 done, 1 the phone refused, timed out or the line failed,\n"
    "2 usage error, 130 stopped by Ctrl-C.\n";

// Status texts go to stderr; the progress only where someone watches.
class ConsoleObserver : public PhoneObserver
{
public:
    explicit ConsoleObserver(const LanguageTable& texts) : texts_(texts) {}

    void statusText(int panel, const QString& text) override
    {
        if (panel == 1 && !text.isEmpty())
            err() << clearProgress() << text << Qt::endl;
        else if (panel == 3)
            percent_ = text;
    }
    void transferProgress(qint64 done, qint64 total) override
    {
        if (!showProgress_)
            return;
        if (done == 0 || done < meter_.done())
            meter_.start(total);
        meter_.update(done, total);
        // A few times a second is all a reader can follow.
        if (shown_.isValid() && shown_.elapsed() < 250 && done != total)
            return;
        shown_.start();
        const QString line = percent_ + QLatin1Char(' ') + progressText(meter_, texts_, 0, 0);
        err() << clearProgress() << line << Qt::flush;
        progressWidth_ = line.size();
    }
    void message(const QString& text) override { err() << clearProgress() << text << Qt::endl; }

private:
    QString clearProgress()
    {
        const qsizetype width = progressWidth_;
        progressWidth_ = 0;
        return width > 0 ? QLatin1Char('\r') + QString(width, QLatin1Char(' ')) + QLatin1Char('\r')
                         : QString();
    }
    static QTextStream& err()
    {
        static QTextStream stream(stderr);
        return stream;
    }
    const LanguageTable& texts_;
    TransferMeter meter_;
    QElapsedTimer shown_;
    QString percent_;
    qsizetype progressWidth_ = 0;
    bool showProgress_ = isatty(fileno(stderr)) != 0;
};

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
    int timeout = 0, delay = 0, slice = 0;
    QString command;
    QStringList arguments;
};

bool readPositive(const QString& text, int& target)
{
    bool ok = false;
    target = text.toInt(&ok);
    return ok && target > 0;
}

// Returns ExitSuccess when the options could be read, or the status to end with.
int parseOptions(const QStringList& arguments, Options& options)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (!options.command.isEmpty()) {
            options.arguments << argument;
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            std::fputs(kFolderUsage, stdout);
            std::fputs(kJavaUsage, stdout);
            return -1;
        }
        const bool takesValue = argument == QLatin1String("--port") ||
                                argument == QLatin1String("--timeout") ||
                                argument == QLatin1String("--delay") || argument == QLatin1String("--slice");
        if (takesValue && i + 1 >= arguments.size()) {
            printUsageError(argument + QStringLiteral(" needs a value"));
            return ExitUsage;
        }
        bool ok = true;
        if (argument == QLatin1String("--port"))
            options.port = arguments.at(++i);
        else if (argument == QLatin1String("--timeout"))
            ok = readPositive(arguments.at(++i), options.timeout);
        else if (argument == QLatin1String("--delay"))
            ok = readPositive(arguments.at(++i), options.delay);
        else if (argument == QLatin1String("--slice"))
            ok = readPositive(arguments.at(++i), options.slice);
        else if (argument.startsWith(QLatin1String("--"))) {
            printUsageError(QStringLiteral("unknown option ") + argument);
            return ExitUsage;
        } else
            options.command = argument;
        if (!ok) {
            printUsageError(argument + QStringLiteral(" needs a positive number"));
            return ExitUsage;
        }
    }
    if (options.command.isEmpty()) {
        printUsageError(QStringLiteral("no command given"));
        return ExitUsage;
    }
    return ExitSuccess;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
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
        {QStringLiteral("backup"), runBackup},
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
    if (!options.port.isEmpty()) {
        const QRegularExpressionMatch numbered =
            QRegularExpression(QStringLiteral("^COM(\\d+)$"), QRegularExpression::CaseInsensitiveOption)
                .match(options.port);
        const int number = numbered.hasMatch() ? numbered.captured(1).toInt() : 0;
        portLabel = numbered.hasMatch() ? QStringLiteral("COM%1").arg(number) : options.port;
        device = numbered.hasMatch() ? resolvePortDevice(store.readPortDevice(number), number) : options.port;
    }

    ConsoleObserver observer(texts);
    PhoneLink link(texts, observer);
    bool interrupted = false;
    std::unique_ptr<QSocketNotifier> interruptNotifier;
    if (catchInterrupts()) {
        interruptNotifier = std::make_unique<QSocketNotifier>(interruptPipe[0], QSocketNotifier::Read);
        QObject::connect(interruptNotifier.get(), &QSocketNotifier::activated, [&] {
            char byte = 0;
            [[maybe_unused]] const ssize_t taken = ::read(interruptPipe[0], &byte, 1);
            interrupted = true;
            link.stopTransfer();
        });
    }
    link.setTiming(PhoneLink::Timing::from(chosen));
    // Status texts go to stderr: phone names there as ls shows them.
    link.setNameForm(isatty(fileno(stderr)) ? quotedForTerminal : escapedForPipe);
    // Downloads are received in a folder of our own, so a running window's
    // working folder is never touched.
    QTemporaryDir reception;
    link.setTempFolder(reception.path() + QLatin1Char('/'));
    if (!link.OpenPort(portLabel, device))
        return ExitPhoneFailed;
    const int status = command->second(link, options.arguments);
    // The next command may come from another run at once; the phone still
    // needs its pause, and the rest of an abandoned answer must have passed.
    link.waitOutPause();
    link.ClosePort();
    return interrupted ? ExitInterrupted : status;
}
