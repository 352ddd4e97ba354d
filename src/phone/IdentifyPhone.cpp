#include "Exchange.h"
#include "PhoneOperations.h"
#include "PhoneReport.h"
#include "PhoneTexts.h"
#include "UnsolicitedCodes.h"

namespace {

// A phone answers these at once; a phone that does not is not there.
constexpr int kIdentityBoundMillis = 1000;
constexpr qsizetype kLongestIdentityText = 64;

// The answer's one line of information: not the echoed command, not the result code.
QString informationLine(const QByteArray& answer, const QByteArray& command)
{
    for (QByteArray line : answer.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line == "OK" || line == command || isUnsolicitedCode(line))
            continue;
        QString text;
        // Printable ASCII only: the text lands in file names' neighbours and on screens.
        for (const char c : line.left(kLongestIdentityText)) {
            if (c >= 0x20 && c < 0x7f)
                text += QLatin1Char(c);
        }
        return text.trimmed();
    }
    return {};
}

// A line of its own reading OK or ERROR: a model name may well hold "OK".
bool finalResultArrived(const QByteArray& answer)
{
    const QByteArrayList lines = answer.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // The last piece may be the start of a longer line.
        const bool ended = i + 1 < lines.size() || lines.at(i).endsWith('\r');
        const QByteArray trimmed = lines.at(i).trimmed();
        if (ended && (trimmed == "OK" || trimmed == "ERROR"))
            return true;
    }
    return false;
}

// Lines of a listing, a download or a battery answer: an earlier command's, not ours.
bool holdsAnotherAnswer(const QByteArray& answer)
{
    return answer.contains("+QF") || answer.contains("+CBC:");
}

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
    // Without a serial number the model and the port name the phone: one more question.
    if (end == WaitEnd::Satisfied && identity.serial.isEmpty())
        end = askIdentity(exchange, "AT+CGMM", identity.model);
    if (end == WaitEnd::TimedOut)
        report.setStatus(1, report.text(PhoneTexts::PhoneSilent) + QLatin1Char(' ') + report.portLabel() +
                                QLatin1Char('.'));
    if (end != WaitEnd::Satisfied)
        return false;
    identity.answered = true;
    return true;
}
