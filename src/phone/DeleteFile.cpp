#include "Exchange.h"
#include "NameCodec.h"
#include "PhoneOperations.h"
#include "PhoneReport.h"
#include "PhoneTexts.h"

Outcome phone::DeleteFile(Exchange& exchange, PhoneReport& report, const QString& name, const QString& folder)
{
    ExchangeTurn scope(exchange);
    if (!scope.admitted())
        return Outcome::NotRun;

    // The phone wants a folder without its closing "/", but the root as "/".
    const QString folderArgument = folder.size() > 1 ? folder.left(folder.size() - 1) : QStringLiteral("/");
    report.setStatus(1, report.text(PhoneTexts::Deleting) + QLatin1Char(' ') + report.shownName(name) +
                            QStringLiteral("..."));
    WaitEnd end = exchange.send(QStringLiteral("AT+QFDF=") + EncodeName(folderArgument) +
                                QStringLiteral(",0,") + EncodeName(name) + QStringLiteral(",1"));
    if (end == WaitEnd::Satisfied)
        end = exchange.waitUntil(
            [&exchange] { return exchange.answer().contains("OK") || exchange.answer().contains("ERROR"); });
    switch (end) {
    case WaitEnd::Cancelled:
    case WaitEnd::Stopped:
        return Outcome::Cancelled;
    case WaitEnd::LineLost:
        return Outcome::LineLost;
    case WaitEnd::TimedOut:
        report.setStatus(1, report.text(PhoneTexts::DeleteTimeOut));
        return Outcome::TimedOut;
    case WaitEnd::Satisfied:
        exchange.answerEnded();
        break;
    }
    if (exchange.answer().contains("ERROR")) {
        report.setStatus(1, report.text(PhoneTexts::DeleteRefused) + QLatin1Char(' ') +
                                report.shownName(name) + QStringLiteral("!"));
        return Outcome::Failed;
    }
    report.setStatus(1, report.text(PhoneTexts::Deleted));
    return Outcome::Done;
}
