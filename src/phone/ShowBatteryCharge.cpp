#include "BatteryAnswer.h"
#include "PhoneLink.h"
#include "PhoneObserver.h"
#include "PhoneTexts.h"

BatteryResult PhoneLink::ShowBatteryCharge()
{
    if (!isOpen())
        return {};
    if (!displayCharge_) {
        setStatus(2, QString());
        return {};
    }
    return QueryBatteryCharge();
}

BatteryResult PhoneLink::QueryBatteryCharge()
{
    BatteryResult result;
    ExchangeTurn scope(exchange_);
    if (!scope.admitted())
        return result;

    CommandDone = false;
    WaitEnd end = exchange_.send(QStringLiteral("AT+CBC"));
    if (end == WaitEnd::Satisfied)
        end = exchange_.waitUntil(
            [this] { return exchange_.answer().contains("OK") || exchange_.answer().contains("ERROR"); });
    if (end == WaitEnd::Satisfied)
        exchange_.answerEnded();
    if (end == WaitEnd::Cancelled || end == WaitEnd::LineLost) {
        result.outcome = end == WaitEnd::Cancelled ? Outcome::Cancelled : Outcome::LineLost;
        return result;
    }

    const std::optional<int> percent = end == WaitEnd::Satisfied && !exchange_.answer().contains("ERROR")
                                           ? parseBatteryPercent(exchange_.answer())
                                           : std::nullopt;
    const int level = percent ? batteryLevelFor(*percent) : 0;
    if (level == 0) {
        // A stale picture would claim a charge the phone did not report.
        setStatus(1, text(PhoneTexts::BatteryFailed));
        report_.observer().batteryLevel(0);
        result.outcome = end == WaitEnd::TimedOut ? Outcome::TimedOut : Outcome::Failed;
        return result;
    }
    CommandDone = true;
    report_.observer().batteryLevel(level);
    setStatus(2, QString::number(*percent) + QStringLiteral("% "));
    result.outcome = Outcome::Done;
    result.percent = *percent;
    result.level = level;
    return result;
}
