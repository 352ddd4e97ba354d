#include "NameCodec.h"
#include "PhoneLink.h"
#include "PhoneTexts.h"

Outcome PhoneLink::DeleteFile(const QString& name, const QString& folder)
{
    ExchangeTurn scope(exchange_);
    if (!scope.admitted())
        return Outcome::NotRun;

    // The phone wants a folder without its closing "/", but the root as "/".
    const QString folderArgument = folder.size() > 1 ? folder.left(folder.size() - 1) : QStringLiteral("/");
    setStatus(1, text(PhoneTexts::Deleting) + QLatin1Char(' ') + shownName(name) + QStringLiteral("..."));
    WaitEnd end = exchange_.send(QStringLiteral("AT+QFDF=") + EncodeName(folderArgument) +
                                 QStringLiteral(",0,") + EncodeName(name) + QStringLiteral(",1"));
    if (end == WaitEnd::Satisfied)
        end = exchange_.waitUntil(
            [this] { return exchange_.answer().contains("OK") || exchange_.answer().contains("ERROR"); });
    switch (end) {
    case WaitEnd::Cancelled:
    case WaitEnd::Stopped:
        return Outcome::Cancelled;
    case WaitEnd::LineLost:
        return Outcome::LineLost;
    case WaitEnd::TimedOut:
        setStatus(1, text(PhoneTexts::DeleteTimeOut));
        return Outcome::TimedOut;
    case WaitEnd::Satisfied:
        exchange_.answerEnded();
        break;
    }
    if (exchange_.answer().contains("ERROR")) {
        setStatus(1,
                  text(PhoneTexts::DeleteRefused) + QLatin1Char(' ') + shownName(name) + QStringLiteral("!"));
        return Outcome::Failed;
    }
    setStatus(1, text(PhoneTexts::Deleted));
    return Outcome::Done;
}
