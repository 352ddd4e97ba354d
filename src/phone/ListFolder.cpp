#include "Exchange.h"
#include "Line.h"
#include "ListingAnswer.h"
#include "NameCodec.h"
#include "PhoneOperations.h"
#include "PhoneReport.h"
#include "PhoneTexts.h"
#include "TransferMeter.h"
#include "settings/SizeText.h"

#include <QTimer>

namespace {

constexpr int kListingAttempts = 4;
// A folder answer this large is not a phone talking; stop collecting it.
constexpr qsizetype kLargestListingAnswer = 32 * 1024 * 1024;
constexpr qsizetype kBatchAfter = 2048;

// Looks for the end marks only in what arrived since the last look (plus the
// few bytes a mark may straddle), so a large folder is not scanned over and over.
bool endMarkArrived(const QByteArray& buffer, qsizetype& scanned)
{
    const qsizetype from = qMax<qsizetype>(0, scanned - 4);
    scanned = buffer.size();
    return buffer.indexOf("OK", from) >= 0 || buffer.indexOf("ERROR", from) >= 0 ||
           buffer.size() > kLargestListingAnswer;
}

} // namespace

ListingResult phone::ListFolder(Exchange& exchange, PhoneReport& report, const QString& folder,
                                bool internalToo)
{
    ListingResult result;
    ExchangeTurn scope(exchange);
    if (!scope.admitted())
        return result;

    const QString command = QStringLiteral("AT+QFSL=") + EncodeName(folder) +
                            (internalToo ? QStringLiteral(",4") : QStringLiteral(",0"));
    const QString failedText = report.text(PhoneTexts::ListingFailed) + QLatin1Char(' ') +
                               report.shownName(folder) + QStringLiteral("!");

    for (int attempt = 1; attempt <= kListingAttempts; ++attempt) {
        report.setStatus(1, report.text(PhoneTexts::Listing) + QLatin1Char(' ') + report.shownName(folder) +
                                QStringLiteral("..."));
        WaitEnd end = exchange.send(command);
        // A large folder's answer takes minutes at the line's rate: only
        // silence cuts it off.
        exchange.measureSilenceFor(-1);
        qsizetype scanned = 0;
        if (end == WaitEnd::Satisfied)
            end = exchange.waitUntil([&] {
                // A large folder is read in batches; a small one answers at once.
                exchange.line().wantBatches(exchange.answer().size() > kBatchAfter);
                return endMarkArrived(exchange.answer(), scanned);
            });
        if (end == WaitEnd::Satisfied && exchange.answer().contains("ERROR")) {
            exchange.answerEnded();
            report.setStatus(1, failedText);
            result.outcome = Outcome::Failed;
            return result;
        }
        ListingAnswer answer;
        if (end == WaitEnd::Satisfied) {
            answer = parseListingAnswer(exchange.answer());
            if (answer.state == ListingAnswer::State::Incomplete) {
                // Serial adapters cut answers anywhere: give the rest a short while.
                QTimer grace;
                grace.setSingleShot(true);
                grace.setTimerType(Qt::PreciseTimer);
                QObject::connect(&grace, &QTimer::timeout, &exchange, &Exchange::check);
                grace.start(qMin(exchange.timing().FinalLineGrace, exchange.timing().TimeOutTime / 2));
                end = exchange.waitUntil([&] {
                    answer = parseListingAnswer(exchange.answer());
                    return answer.state != ListingAnswer::State::Incomplete || !grace.isActive();
                });
                grace.stop();
            }
        }
        exchange.stopTimeOut();
        switch (end) {
        case WaitEnd::Cancelled:
        case WaitEnd::Stopped:
            result.outcome = Outcome::Cancelled;
            return result;
        case WaitEnd::LineLost:
            result.outcome = Outcome::LineLost;
            return result;
        case WaitEnd::TimedOut:
            report.setStatus(1, report.text(PhoneTexts::PortTimeOut) + QLatin1Char(' ') + report.portLabel() +
                                    QStringLiteral("."));
            result.outcome = Outcome::TimedOut;
            return result;
        case WaitEnd::Satisfied:
            break;
        }
        if (answer.state != ListingAnswer::State::Complete)
            continue;
        exchange.answerEnded();

        // The total as people read sizes ("1.5 MB"), in the interface language's numbers and units.
        report.setStatus(1, report.text(PhoneTexts::TotalBefore) + QLatin1Char(' ') +
                                sizeInUnits(answer.totalBytes, sizeUnitsOf(report.texts())) + QLatin1Char('.'));
        result.outcome = Outcome::Done;
        result.entries = answer.entries;
        result.totalBytes = answer.totalBytes;
        return result;
    }
    report.setStatus(1, failedText);
    result.outcome = Outcome::Failed;
    return result;
}
