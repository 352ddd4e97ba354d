#include "ExchangeScope.h"
#include "ListingAnswer.h"
#include "NameCodec.h"
#include "PhoneTexts.h"
#include "TransferMeter.h"

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
    ExchangeScope scope(*this);
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
        WaitEnd end = startExchange(command);
        // A large folder's answer takes minutes at the line's rate: only
        // silence cuts it off.
        measureSilenceFor(-1);
        qsizetype scanned = 0;
        if (end == WaitEnd::Satisfied)
            end = waitUntil([&] {
                // A large folder is read in batches; a small one answers at once.
                line_.wantBatches(ReceiveBuffer.size() > kBatchAfter);
                return endMarkArrived(ReceiveBuffer, scanned);
            });
        if (end == WaitEnd::Satisfied && ReceiveBuffer.contains("ERROR")) {
            answerEnded();
            setStatus(1, failedText);
            result.outcome = Outcome::Failed;
            return result;
        }
        ListingAnswer answer;
        if (end == WaitEnd::Satisfied) {
            answer = parseListingAnswer(ReceiveBuffer);
            if (answer.state == ListingAnswer::State::Incomplete) {
                // Serial adapters cut answers anywhere: give the rest a short while.
                graceTimer_.start(qMin(timing_.FinalLineGrace, timing_.TimeOutTime / 2));
                end = waitUntil([&] {
                    answer = parseListingAnswer(ReceiveBuffer);
                    return answer.state != ListingAnswer::State::Incomplete || !graceTimer_.isActive();
                });
                graceTimer_.stop();
            }
        }
        tmrTimeout_.stop();
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
        answerEnded();

        if (folder == QLatin1String("/java/")) {
            for (const PhoneEntry& entry : answer.entries) {
                if (!entry.isFolder)
                    JavaFileNames << entry.name;
            }
        }
        // The total as people read sizes ("1.5 MB"), in the interface language's numbers.
        setStatus(1, text(PhoneTexts::TotalBefore) + QLatin1Char(' ') +
                         sizeText(answer.totalBytes, interfaceLocale(texts_)) + QLatin1Char('.'));
        result.outcome = Outcome::Done;
        result.entries = answer.entries;
        result.totalBytes = answer.totalBytes;
        return result;
    }
    setStatus(1, failedText);
    result.outcome = Outcome::Failed;
    return result;
}
