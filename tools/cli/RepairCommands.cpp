#include "RepairCommands.h"

#include "CliCommands.h"
#include "Console.h"
#include "phone/DisplayName.h"
#include "phone/PhoneLink.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

namespace {

QString kindName(RepairJournal::Kind kind)
{
    return kind == RepairJournal::Kind::RestoreFile ? QStringLiteral("put-back")
                                                    : QStringLiteral("delete-partial");
}

QJsonArray journalJson(const RepairJournal& journal)
{
    QJsonArray entries;
    for (const RepairJournal::Entry& entry : journal.entries()) {
        entries.append(QJsonObject{{QStringLiteral("id"), entry.id},
                                   {QStringLiteral("phone"), entry.phoneShown},
                                   {QStringLiteral("what"), kindName(entry.kind)},
                                   {QStringLiteral("file"), entry.phonePath()},
                                   {QStringLiteral("copy"), QDir::toNativeSeparators(entry.copyPath)}});
    }
    return entries;
}

} // namespace

int runRepairs(PhoneLink& link, const QStringList& arguments)
{
    RepairJournal& journal = link.journal();
    if (arguments.size() == 2 && arguments.first() == QLatin1String("--forget")) {
        if (!journal.entry(arguments.at(1))) {
            printUsageError(QStringLiteral("no repair ") + arguments.at(1));
            return ExitUsage;
        }
        if (!journal.remove(arguments.at(1))) {
            QTextStream(stderr) << journal.filePath() << ": " << journal.lastError() << Qt::endl;
            return ExitPhoneFailed;
        }
        return ExitSuccess;
    }
    if (!arguments.isEmpty()) {
        printUsageError(QStringLiteral("repairs takes nothing, or --forget ID"));
        return ExitUsage;
    }
    if (Console::modes().json) {
        printJson(QJsonDocument(journalJson(journal)));
        return ExitSuccess;
    }
    // Names from the phone never reach the terminal as commands.
    const auto shown = isatty(fileno(stdout)) ? quotedForTerminal : escapedForPipe;
    QTextStream out(stdout);
    for (const RepairJournal::Entry& entry : journal.entries()) {
        out << entry.id << '\t' << shown(entry.phoneShown) << '\t' << kindName(entry.kind) << '\t'
            << shown(entry.phonePath()) << '\t' << QDir::toNativeSeparators(entry.copyPath) << '\n';
    }
    return ExitSuccess;
}
