#include "BatteryAnswer.h"
#include "Exchange.h"
#include "PhoneObserver.h"
#include "PhoneOperations.h"
#include "PhoneReport.h"
#include "PhoneTexts.h"

BatteryResult phone::QueryBatteryCharge(Exchange& exchange, PhoneReport& report)
{
    BatteryResult result;
    ExchangeTurn scope(exchange);
    if (!scope.admitted())
        return result;

    report.setCommandDone(false);
    WaitEnd end = exchange.send(QStringLiteral("AT+CBC"));
    if (end == WaitEnd::Satisfied)
        end = exchange.waitUntil(
            [&exchange] { return exchange.answer().contains("OK") || exchange.answer().contains("ERROR"); });
    if (end == WaitEnd::Satisfied)
        exchange.answerEnded();
    if (end == WaitEnd::Cancelled || end == WaitEnd::LineLost) {
        result.outcome = end == WaitEnd::Cancelled ? Outcome::Cancelled : Outcome::LineLost;
        return result;
    }

    const std::optional<int> percent = end == WaitEnd::Satisfied && !exchange.answer().contains("ERROR")
                                           ? parseBatteryPercent(exchange.answer())
                                           : std::nullopt;
    const int level = percent ? batteryLevelFor(*percent) : 0;
    if (level == 0) {
        // A stale picture would claim a charge the phone did not report.
        report.setStatus(1, report.text(PhoneTexts::BatteryFailed));
        report.observer().batteryLevel(0);
        result.outcome = end == WaitEnd::TimedOut ? Outcome::TimedOut : Outcome::Failed;
        return result;
    }
    report.setCommandDone(true);
    report.observer().batteryLevel(level);
    report.setStatus(2, QString::number(*percent) + QStringLiteral("% "));
    result.outcome = Outcome::Done;
    result.percent = *percent;
    result.level = level;
    return result;
}
