#include "PortCommands.h"

#include "CliCommands.h"
#include "Console.h"
#include "phone/DisplayName.h"
#include "phone/PhoneLink.h"
#include "phone/PhoneTexts.h"
#include "phone/PortSurvey.h"
#include "platform/PortNames.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

const char* const kPortsUsage =
    "\n"
    "Port commands:\n"
    "  ports                           ask each serial port whether a phone answers:\n"
    "                                  \"DEVICE<TAB>STATE<TAB>MODEL<TAB>FIRMWARE<TAB>SERIAL\n"
    "                                  <TAB>DESCRIPTION\", STATE one of phone, silent,\n"
    "                                  refused, busy, denied, missing, failed\n"
    "  --port auto uses the only port a phone answers on; with none or several it\n"
    "  lists the ports and ends with status 2. Both ask the port the settings name,\n"
    "  the ports the system lists, and the devices named in VANTREL_EXTRA_PORTS\n"
    "  (separated by \":\"), which the system does not list, such as the terminal of\n"
    "  vantrel-phonesim.\n";

namespace {

// Every candidate asked, one after the other; false when Ctrl-C ended it.
bool surveyPorts(PhoneLink& link, PortSurvey& survey, const QString& settingsDevice)
{
    survey.setJournal(&link.journal());
    QEventLoop loop;
    bool cancelled = false;
    const auto progress =
        QObject::connect(&survey, &PortSurvey::progress, [&](int index, int count, const QString& device) {
            Console::transient(link.text(PhoneTexts::SurveyAsking) + QLatin1Char(' ') +
                               link.shownName(device) +
                               QStringLiteral(" (%1/%2)...").arg(index + 1).arg(count));
        });
    const auto end = QObject::connect(&survey, &PortSurvey::finished, [&](bool wasCancelled) {
        cancelled = wasCancelled;
        loop.quit();
    });
    survey.start(portCandidates(settingsDevice));
    loop.exec();
    QObject::disconnect(progress);
    QObject::disconnect(end);
    Console::endTransient();
    return !cancelled;
}

// "vantrel-cli: /dev/ttyUSB0: ST60, firmware 21, serial number …0123 (USB-Serial Controller)"
void tellFinding(const PhoneLink& link, const LanguageTable& texts, const PortFinding& finding)
{
    QString what = describeFinding(finding, texts);
    if (!finding.description.isEmpty())
        what += QStringLiteral(" (") + link.shownName(finding.description) + QLatin1Char(')');
    Console::error(link.shownName(finding.device), what);
}

QJsonArray findingsJson(const QList<PortFinding>& findings)
{
    QJsonArray ports;
    for (const PortFinding& finding : findings) {
        QJsonObject port{{QStringLiteral("device"), finding.device},
                         {QStringLiteral("description"), finding.description},
                         {QStringLiteral("state"), stateKeyword(finding.state)}};
        if (finding.answered()) {
            port.insert(QStringLiteral("model"), finding.identity.model);
            port.insert(QStringLiteral("firmware"), finding.identity.firmware);
            port.insert(QStringLiteral("serial"), finding.identity.serial);
        }
        ports.append(port);
    }
    return ports;
}

} // namespace

int runPorts(PhoneLink& link, PortSurvey& survey, const QStringList& arguments, const QString& settingsDevice)
{
    if (!arguments.isEmpty()) {
        printUsageError(QStringLiteral("ports takes no arguments"));
        return ExitUsage;
    }
    if (!surveyPorts(link, survey, settingsDevice))
        return ExitInterrupted;
    if (Console::modes().json) {
        printJson(QJsonDocument(findingsJson(survey.findings())));
        return ExitSuccess;
    }
    // A driver's words or a path never reach the terminal as a command.
    const auto shown = isatty(fileno(stdout)) ? quotedForTerminal : escapedForPipe;
    QTextStream out(stdout);
    for (const PortFinding& finding : survey.findings()) {
        const PhoneIdentity& phone = finding.identity;
        out << shown(finding.device) << '\t' << stateKeyword(finding.state) << '\t' << phone.model << '\t'
            << phone.firmware << '\t' << phone.serial << '\t' << shown(finding.description) << '\n';
    }
    return ExitSuccess;
}

int findAutoPort(PhoneLink& link, PortSurvey& survey, const LanguageTable& texts,
                 const QString& settingsDevice, QString& device)
{
    if (!surveyPorts(link, survey, settingsDevice))
        return ExitInterrupted;
    QList<PortFinding> phones;
    for (const PortFinding& finding : survey.findings()) {
        if (finding.answered())
            phones << finding;
    }
    if (phones.size() == 1) {
        device = phones.first().device;
        Console::note(link.shownName(device), link.text(CliTexts::UsingPhone) + QLatin1Char(' ') +
                                                  describeFinding(phones.first(), texts));
        return ExitSuccess;
    }
    Console::error(QStringLiteral("--port auto"),
                   link.text(phones.isEmpty() ? CliTexts::NoPhoneAnswers : CliTexts::SeveralPhonesAnswer));
    for (const PortFinding& finding : survey.findings())
        tellFinding(link, texts, finding);
    return ExitUsage;
}
