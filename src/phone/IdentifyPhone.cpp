#include "Exchange.h"
#include "IdentityAnswer.h"
#include "PhoneOperations.h"
#include "PhoneReport.h"
#include "PhoneTexts.h"

namespace {

// A phone answers these at once; a phone that does not is not there.
constexpr int kIdentityBoundMillis = 1000;

WaitEnd askIdentity(Exchange& exchange, const QByteArray& command, QString& text)
{
    text.clear();
    // An identity read off another command's answer would send repairs to the wrong phone:
    // such an answer is let pass and the question asked once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        WaitEnd end = exchange.send(QString::fromLatin1(command), kIdentityBoundMillis);
        if (end == WaitEnd::Satisfied)
            end = exchange.waitUntil([&exchange] { return finalResultArrived(exchange.answer()); });
        if (end != WaitEnd::Satisfied)
            return end;
        if (holdsAnotherAnswer(exchange.answer())) {
            exchange.abandonAnswer(-1);
            continue;
        }
        exchange.answerEnded();
        text = informationLine(exchange.answer(), command);
        if (text == QLatin1String("ERROR"))
            text.clear();
        return end;
    }
    return WaitEnd::TimedOut;
}

} // namespace

bool phone::IdentifyPhone(Exchange& exchange, PhoneReport& report, PhoneIdentity& identity)
{
    ExchangeTurn scope(exchange);
    if (!scope.admitted())
        return false;
    WaitEnd end = askIdentity(exchange, "AT+CGSN", identity.serial);
    // The model tells the user which phone is connected; without a serial
    // number it also names the phone, with the port.
    if (end == WaitEnd::Satisfied)
        end = askIdentity(exchange, "AT+CGMM", identity.model);
    // The firmware only tells the user: a phone that will not say is still this phone.
    if (end == WaitEnd::Satisfied &&
        askIdentity(exchange, "AT+CGMR", identity.firmware) != WaitEnd::Satisfied)
        identity.firmware.clear();
    if (end == WaitEnd::TimedOut)
        report.setStatus(1, report.text(PhoneTexts::PhoneSilent) + QLatin1Char(' ') + report.portLabel() +
                                QLatin1Char('.'));
    if (end != WaitEnd::Satisfied)
        return false;
    identity.answered = true;
    return true;
}
