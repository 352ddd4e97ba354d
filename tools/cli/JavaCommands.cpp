#include "JavaCommands.h"

#include "CliCommands.h"
#include "Console.h"
#include "java/JavaSending.h"
#include "java/JavaTexts.h"
#include "java/MenuCopies.h"
#include "java/Packages.h"
#include "java/SelectorFile.h"
#include "phone/PhoneLink.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

const char* const kJavaUsage =
    "\n"
    "Java menu commands:\n"
    "  java list                       the phone's Java menu: \"nextroot<TAB>N\", then each\n"
    "                                  folder (\"folder<TAB>NAME<TAB>MODIFIABLE<TAB>REMOVABLE\")\n"
    "                                  and its suites (\"suite<TAB>FOLDER<TAB>NAME<TAB>ROOT<TAB>NUM\n"
    "                                  <TAB>DOMAIN<TAB>MIDLET<TAB>ICON<TAB>CLASS\")\n"
    "  java install PACKAGE.vnj... --folder NAME [--force]\n"
    "                                  install packages into the menu folder NAME and send\n"
    "                                  the menu and the suites' files to the phone\n"
    "  java remove SUITE... [--delete-files] [--force]\n"
    "                                  take suites off the menu; --delete-files also deletes\n"
    "                                  their files in /java once the new menu is there\n"
    "  java export SUITE... [--to DIR] copy installed suites into package folders in DIR\n"
    "                                  (default: here)\n"
    "  Before the phone's menu is replaced, a copy of it is kept in Vantrel's data\n"
    "  folder. The suites' files are sent first, the menu last; if the phone refuses\n"
    "  the new menu, the copy is put back at once, and the output says which menu\n"
    "  the phone holds. A menu that could not be read to its end is sent only with\n"
    "  --force.\n"
    "  Exit status 1 also for an unknown suite or folder, a refused package or an\n"
    "  unreadable menu; then nothing is written on the phone.\n";

namespace {

struct JavaRequest
{
    QString action;
    QStringList names;
    QString folder;
    QString to = QStringLiteral(".");
    bool force = false;
    bool deleteFiles = false;
};

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

// Which options each action takes.
bool takesOption(const QString& action, const QString& option)
{
    if (option == QLatin1String("--folder"))
        return action == QLatin1String("install");
    if (option == QLatin1String("--force"))
        return action == QLatin1String("install") || action == QLatin1String("remove");
    if (option == QLatin1String("--delete-files"))
        return action == QLatin1String("remove");
    if (option == QLatin1String("--to"))
        return action == QLatin1String("export");
    return false;
}

int parseRequest(const QStringList& arguments, JavaRequest& request)
{
    const QStringList actions{"list", "install", "remove", "export"};
    if (arguments.isEmpty() || !actions.contains(arguments.first())) {
        printUsageError(QStringLiteral("java needs one of: list, install, remove, export"));
        return ExitUsage;
    }
    request.action = arguments.first();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (!argument.startsWith(QLatin1String("--"))) {
            request.names << argument;
            continue;
        }
        if (!takesOption(request.action, argument)) {
            printUsageError(QStringLiteral("java ") + request.action + QStringLiteral(" takes no ") +
                            argument);
            return ExitUsage;
        }
        const bool takesValue = argument == QLatin1String("--folder") || argument == QLatin1String("--to");
        if (takesValue && i + 1 >= arguments.size()) {
            printUsageError(argument + QStringLiteral(" needs a value"));
            return ExitUsage;
        }
        if (argument == QLatin1String("--folder"))
            request.folder = arguments.at(++i);
        else if (argument == QLatin1String("--to"))
            request.to = arguments.at(++i);
        else if (argument == QLatin1String("--force"))
            request.force = true;
        else
            request.deleteFiles = true;
    }
    const bool isList = request.action == QLatin1String("list");
    if (isList != request.names.isEmpty()) {
        printUsageError(isList ? QStringLiteral("java list takes no names")
                               : QStringLiteral("java ") + request.action + QStringLiteral(" needs names"));
        return ExitUsage;
    }
    if (request.action == QLatin1String("install") && request.folder.isEmpty()) {
        printUsageError(QStringLiteral("java install needs --folder NAME"));
        return ExitUsage;
    }
    if (request.action == QLatin1String("export") && !QFileInfo(request.to).isDir()) {
        printUsageError(QStringLiteral("no such local folder: ") + request.to);
        return ExitUsage;
    }
    return ExitSuccess;
}

QByteArray suiteLine(const SelectorModel& model, const JavaSuite& suite)
{
    return "suite\t" + model.folderNameOf(suite) + '\t' + suite.SuiteName + '\t' + suite.Root + '\t' +
           QByteArray::number(suite.Num) + '\t' + suite.Domain + '\t' + suite.MidletName + '\t' + suite.Icon +
           '\t' + suite.ClassName + '\n';
}

QByteArray suiteLinesOf(const SelectorModel& model, int folder)
{
    QByteArray lines;
    for (int slot = 1; slot <= SelectorModel::kSuiteCount; ++slot) {
        if (model.JavaSuites[slot].Folder == folder)
            lines += suiteLine(model, model.JavaSuites[slot]);
    }
    return lines;
}

// The menu's own bytes, fields joined by TABs, in the file's order: suites
// outside any folder first (with an empty folder field).
void printMenu(const SelectorModel& model)
{
    QByteArray text = "nextroot\t" + QByteArray::number(model.NextRoot) + '\n' + suiteLinesOf(model, 0);
    for (int index = 1; index <= SelectorModel::kFolderCount; ++index) {
        const JavaFolder& folder = model.JavaFolders[index];
        if (!folder.inUse())
            continue;
        text += "folder\t" + folder.Name + '\t' + folder.Modifiable + '\t' + folder.Removable + '\n';
        text += suiteLinesOf(model, index);
    }
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    std::fflush(stdout);
}

QJsonObject suiteJson(const JavaSuite& suite)
{
    return QJsonObject{{QStringLiteral("name"), displayText(suite.SuiteName)},
                       {QStringLiteral("root"), displayText(suite.Root)},
                       {QStringLiteral("num"), suite.Num},
                       {QStringLiteral("domain"), displayText(suite.Domain)},
                       {QStringLiteral("midlet"), displayText(suite.MidletName)},
                       {QStringLiteral("icon"), displayText(suite.Icon)},
                       {QStringLiteral("class"), displayText(suite.ClassName)}};
}

QJsonArray suitesJsonOf(const SelectorModel& model, int folder)
{
    QJsonArray suites;
    for (int slot = 1; slot <= SelectorModel::kSuiteCount; ++slot) {
        if (model.JavaSuites[slot].Folder == folder && !model.JavaSuites[slot].SuiteName.isEmpty())
            suites.append(suiteJson(model.JavaSuites[slot]));
    }
    return suites;
}

// The menu as one document: suites outside any folder, then the folders with theirs.
void printMenuJson(const SelectorModel& model)
{
    QJsonArray folders;
    for (int index = 1; index <= SelectorModel::kFolderCount; ++index) {
        const JavaFolder& folder = model.JavaFolders[index];
        if (!folder.inUse())
            continue;
        folders.append(QJsonObject{{QStringLiteral("name"), displayText(folder.Name)},
                                   {QStringLiteral("modifiable"), displayText(folder.Modifiable)},
                                   {QStringLiteral("removable"), displayText(folder.Removable)},
                                   {QStringLiteral("suites"), suitesJsonOf(model, index)}});
    }
    printJson(QJsonDocument(QJsonObject{{QStringLiteral("nextroot"), model.NextRoot},
                                        {QStringLiteral("suites"), suitesJsonOf(model, 0)},
                                        {QStringLiteral("folders"), folders}}));
}

class JavaSession
{
public:
    JavaSession(PhoneLink& link, const JavaRequest& request) : link_(link), request_(request) {}

    int run()
    {
        if (!working_.isValid())
            return refuse(link_.text(JavaTexts::OpenFailed));
        menu_ = DownloadSelector(link_, working_.path());
        if (!menu_.downloaded)
            return refuse(link_.text(JavaTexts::OpenFailed));
        readOk_ = ReadSelector(menu_.content, model_).ok;
        if (!readOk_)
            say(link_.text(JavaTexts::ReadFailed));
        if (request_.action == QLatin1String("list")) {
            if (Console::modes().json)
                printMenuJson(model_);
            else
                printMenu(model_);
            return readOk_ ? ExitSuccess : ExitPhoneFailed;
        }
        if (request_.action == QLatin1String("export"))
            return exportSuites();
        if (!readOk_ && !request_.force)
            return refuse(link_.text(JavaTexts::ConfirmLoss) + QStringLiteral(" (--force)"));
        return request_.action == QLatin1String("install") ? install() : remove();
    }

private:
    int install()
    {
        const int folder = model_.folderNamed(menuBytes(request_.folder, true));
        if (folder == 0)
            return refuse(QStringLiteral("no folder \"") + request_.folder +
                          QStringLiteral("\" in the phone's Java menu"));
        for (const QString& package : request_.names) {
            if (!QFileInfo(package).isFile())
                return refuse(QStringLiteral("no such package: ") + package);
            const PackageResult result = InstallPackage(model_, package, working_.path(), folder);
            if (!result.ok())
                return refuse(link_.text(result.text) + QLatin1Char(' ') + package);
        }
        return send();
    }

    int remove()
    {
        for (const QString& name : request_.names) {
            const int slot = model_.suiteNamed(menuBytes(name, false));
            if (slot == 0)
                return refuse(QStringLiteral("no suite \"") + name +
                              QStringLiteral("\" in the phone's Java menu"));
            model_.clearSlot(slot);
        }
        const int sent = send();
        if (sent != ExitSuccess || !request_.deleteFiles)
            return sent;
        // Only files of roots that no remaining suite uses: a menu may share one.
        if (!DeleteSuiteFiles(link_, removedRoots(menu_.content, model_)))
            return refuse(link_.text(JavaTexts::SuiteFilesLeft));
        return ExitSuccess;
    }

    int exportSuites()
    {
        const ListingResult listing = link_.ListFolder(QStringLiteral("/java/"));
        if (listing.outcome != Outcome::Done)
            return ExitPhoneFailed;
        QStringList javaFileNames;
        for (const PhoneEntry& entry : listing.entries) {
            if (!entry.isFolder)
                javaFileNames << entry.name;
        }
        const QString destination = QDir(request_.to).absolutePath();
        int status = readOk_ ? ExitSuccess : ExitPhoneFailed;
        for (const QString& name : request_.names) {
            const QByteArray suite = menuBytes(name, false);
            if (model_.suiteNamed(suite) == 0) {
                status = refuse(QStringLiteral("no suite \"") + name +
                                QStringLiteral("\" in the phone's Java menu"));
                continue;
            }
            const PackageResult result = CreatePackage(model_, suite, destination, link_, javaFileNames);
            if (result.ok()) {
                QTextStream(stdout) << result.folder << Qt::endl;
                continue;
            }
            status = refuse(link_.text(JavaTexts::ExportFailed) + QLatin1Char(' ') + name +
                            QLatin1Char('\n') + link_.text(JavaTexts::ExportHint));
        }
        return status;
    }

    int send()
    {
        const SendReport report =
            SendToPhone(link_, model_, working_.path(), menu_, !readOk_, request_.force, menuCopiesFolder());
        say(sendingText(link_, report));
        return report.text == 0 ? ExitSuccess : ExitPhoneFailed;
    }

    // A name typed on the command line as the menu holds it: the menu may be
    // Latin-1 where the terminal is UTF-8, so names are matched as shown.
    QByteArray menuBytes(const QString& typed, bool folder) const
    {
        if (folder) {
            for (const JavaFolder& entry : model_.JavaFolders) {
                if (entry.inUse() && displayText(entry.Name) == typed)
                    return entry.Name;
            }
        } else {
            for (const JavaSuite& entry : model_.JavaSuites) {
                if (!entry.SuiteName.isEmpty() && displayText(entry.SuiteName) == typed)
                    return entry.SuiteName;
            }
        }
        return fileBytes(typed);
    }

    static void say(const QString& text) { err() << text << Qt::endl; }
    static int refuse(const QString& text)
    {
        say(text);
        return ExitPhoneFailed;
    }

    PhoneLink& link_;
    const JavaRequest& request_;
    QTemporaryDir working_;
    PhoneMenu menu_;
    SelectorModel model_;
    bool readOk_ = false;
};

} // namespace

int runJava(PhoneLink& link, const QStringList& arguments)
{
    JavaRequest request;
    const int parsed = parseRequest(arguments, request);
    if (parsed != ExitSuccess)
        return parsed;
    return JavaSession(link, request).run();
}
