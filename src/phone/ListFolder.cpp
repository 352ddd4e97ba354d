#include "ListingAnswer.h"
#include "NameCodec.h"
#include "PhoneLink.h"
#include "PhoneTexts.h"
#include "TransferMeter.h"

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

ListingResult PhoneLink::ListFolder(const QString& folder)
{
    ListingResult result;
    if (folder == QLatin1String("/java/"))
        JavaFileNames.clear(); // a failed listing must not leave the names of an earlier one
    ExchangeTurn scope(exchange_);
    if (!scope.admitted())
        return result;

    const bool internalToo = showInternal_ && folder == QLatin1String("/");
    const QString command = QStringLiteral("AT+QFSL=") + EncodeName(folder) +
                            (internalToo ? QStringLiteral(",4") : QStringLiteral(",0"));
    const QString failedText =
        text(PhoneTexts::ListingFailed) + QLatin1Char(' ') + shownName(folder) + QStringLiteral("!");

    for (int attempt = 1; attempt <= kListingAttempts; ++attempt) {
        setStatus(1,
                  text(PhoneTexts::Listing) + QLatin1Char(' ') + shownName(folder) + QStringLiteral("..."));
        WaitEnd end = exchange_.send(command);
        // A large folder's answer takes minutes at the line's rate: only
        // silence cuts it off.
        exchange_.measureSilenceFor(-1);
        qsizetype scanned = 0;
        if (end == WaitEnd::Satisfied)
            end = exchange_.waitUntil([&] {
                // A large folder is read in batches; a small one answers at once.
                exchange_.line().wantBatches(exchange_.answer().size() > kBatchAfter);
                return endMarkArrived(exchange_.answer(), scanned);
            });
        if (end == WaitEnd::Satisfied && exchange_.answer().contains("ERROR")) {
            exchange_.answerEnded();
            setStatus(1, failedText);
            result.outcome = Outcome::Failed;
            return result;
        }
        ListingAnswer answer;
        if (end == WaitEnd::Satisfied) {
            answer = parseListingAnswer(exchange_.answer());
            if (answer.state == ListingAnswer::State::Incomplete) {
                // Serial adapters cut answers anywhere: give the rest a short while.
                QTimer grace;
                grace.setSingleShot(true);
                grace.setTimerType(Qt::PreciseTimer);
                connect(&grace, &QTimer::timeout, &exchange_, &Exchange::check);
                grace.start(qMin(timing().FinalLineGrace, timing().TimeOutTime / 2));
                end = exchange_.waitUntil([&] {
                    answer = parseListingAnswer(exchange_.answer());
                    return answer.state != ListingAnswer::State::Incomplete || !grace.isActive();
                });
                grace.stop();
            }
        }
        exchange_.stopTimeOut();
        switch (end) {
        case WaitEnd::Cancelled:
        case WaitEnd::Stopped:
            result.outcome = Outcome::Cancelled;
            return result;
        case WaitEnd::LineLost:
            result.outcome = Outcome::LineLost;
            return result;
        case WaitEnd::TimedOut:
            setStatus(1, text(PhoneTexts::PortTimeOut) + QLatin1Char(' ') + portLabel_ + QStringLiteral("."));
            result.outcome = Outcome::TimedOut;
            return result;
        case WaitEnd::Satisfied:
            break;
        }
        if (answer.state != ListingAnswer::State::Complete)
            continue;
        exchange_.answerEnded();

        if (folder == QLatin1String("/java/")) {
            for (const PhoneEntry& entry : answer.entries) {
                if (!entry.isFolder)
                    JavaFileNames << entry.name;
            }
        }
        // The total as people read sizes ("1.5 MB"), in the interface language's numbers.
        setStatus(1, text(PhoneTexts::TotalBefore) + QLatin1Char(' ') +
                         sizeText(answer.totalBytes, interfaceLocale(report_.texts())) + QLatin1Char('.'));
        result.outcome = Outcome::Done;
        result.entries = answer.entries;
        result.totalBytes = answer.totalBytes;
        return result;
    }
    setStatus(1, failedText);
    result.outcome = Outcome::Failed;
    return result;
}
