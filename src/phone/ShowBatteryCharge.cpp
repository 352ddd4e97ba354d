#include "BatteryAnswer.h"
#include "ExchangeScope.h"
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
    ExchangeScope scope(*this);
    if (!scope.admitted())
        return result;

    CommandDone = false;
    WaitEnd end = startExchange(QStringLiteral("AT+CBC"));
    if (end == WaitEnd::Satisfied)
        end = waitUntil([this] { return ReceiveBuffer.contains("OK") || ReceiveBuffer.contains("ERROR"); });
    if (end == WaitEnd::Satisfied)
        answerEnded();
    if (end == WaitEnd::Cancelled || end == WaitEnd::LineLost) {
        result.outcome = end == WaitEnd::Cancelled ? Outcome::Cancelled : Outcome::LineLost;
        return result;
    }

    const std::optional<int> percent = end == WaitEnd::Satisfied && !ReceiveBuffer.contains("ERROR")
                                           ? parseBatteryPercent(ReceiveBuffer)
                                           : std::nullopt;
    const int level = percent ? batteryLevelFor(*percent) : 0;
    if (level == 0) {
        // A stale picture would claim a charge the phone did not report.
        setStatus(1, text(PhoneTexts::BatteryFailed));
        observer_.batteryLevel(0);
        result.outcome = end == WaitEnd::TimedOut ? Outcome::TimedOut : Outcome::Failed;
        return result;
    }
    CommandDone = true;
    observer_.batteryLevel(level);
    setStatus(2, QString::number(*percent) + QStringLiteral("% "));
    result.outcome = Outcome::Done;
    result.percent = *percent;
    result.level = level;
    return result;
}
