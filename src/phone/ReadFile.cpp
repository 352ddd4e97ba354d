#include "DownloadFrame.h"
#include "Exchange.h"
#include "NameCodec.h"
#include "PhoneOperations.h"
#include "PhoneReport.h"
#include "PhoneTexts.h"
#include "SerialLine.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>

namespace {

// No phone file comes near this; a line that keeps talking is not a phone.
constexpr qint64 kLargestDownloadFile = 256LL * 1024 * 1024;
constexpr qint64 kLongestFraming = 64 * 1024;

void enterDataPhase(Exchange& exchange, PhoneReport& report, DownloadFrameParser& frame, bool& dataPhase,
                    std::optional<qint64> listedSize)
{
    dataPhase = true;
    // Once the phone has started sending the file, its bytes may take as long
    // as the line needs for them, with a margin, while they keep coming.
    const std::optional<qint64> size = frame.announcedSize();
    // A size other than the folder's listing gave is another file's answer.
    if (!size || *size > kLargestDownloadFile || (listedSize && *size != *listedSize)) {
        frame.fail();
        return;
    }
    exchange.measureSilenceFor(exchange.timing().TimeOutTime + 2 * exchange.lineMillis(*size));
    report.progress(frame.contentDelivered(), size.value_or(-1));
}

} // namespace

Outcome phone::ReadFile(Exchange& exchange, PhoneReport& report, const QString& folder, const QString& name,
                        const QString& localFolder, const QString& localName,
                        std::optional<qint64> listedSize)
{
    ExchangeTurn scope(exchange);
    if (!scope.admitted())
        return Outcome::NotRun;
    exchange.setTransferRunning(true);
    const auto endOfTransfer = qScopeGuard([&exchange] { exchange.setTransferRunning(false); });
    report.setCommandDone(false);
    const QString failedText =
        report.text(PhoneTexts::ReadError) + QLatin1Char(' ') + report.shownName(name) + QStringLiteral(".");
    report.setStatus(1, report.text(PhoneTexts::Reading) + QLatin1Char(' ') + report.shownName(name) +
                            QStringLiteral("..."));
    const QString savedAs = localName.isEmpty() ? name : localName;
    if (!isSafeLocalFileName(name) || !isSafeLocalFileName(savedAs)) {
        report.setStatus(1, failedText);
        return Outcome::Failed;
    }
    const QString path = QDir(localFolder).filePath(savedAs);
    // Writing through a link would change a file outside the folder, or create one there.
    if (QFileInfo(path).isSymLink()) {
        report.setStatus(1, report.text(PhoneTexts::LinkInTheWay) + QLatin1Char(' ') +
                                report.shownName(name) + QStringLiteral("."));
        return Outcome::Failed;
    }

    // The file's bytes go straight into a temporary file beside the destination,
    // which replaces it only once the whole frame has arrived.
    QSaveFile destination(path);
    destination.setDirectWriteFallback(false);
    const auto noteWriteError = qScopeGuard([&] {
        report.setLocalWriteError(destination.error() == QFileDevice::NoError ? QString()
                                                                              : destination.errorString());
    });
    if (!destination.open(QIODevice::WriteOnly)) {
        report.setStatus(1, failedText);
        return Outcome::Failed;
    }
    bool writeFailed = false;
    DownloadFrameParser frame([&](QByteArrayView bytes) {
        if (!writeFailed && destination.write(bytes.data(), bytes.size()) != bytes.size())
            writeFailed = true;
    });
    report.progress(0, -1);

    qint64 received = 0;
    bool dataPhase = false;
    exchange.setSink([&](const QByteArray& chunk) {
        received += chunk.size();
        const qint64 deliveredBefore = frame.contentDelivered();
        frame.feed(chunk);
        if (frame.contentDelivered() != deliveredBefore)
            report.progress(frame.contentDelivered(), frame.announcedSize().value_or(-1));
        if (received > kLargestDownloadFile + kLongestFraming)
            frame.fail();
        if (!dataPhase && frame.state() != DownloadFrameParser::State::Header)
            enterDataPhase(exchange, report, frame, dataPhase, listedSize);
        // Batches while much is still to come; at the end each byte counts again,
        // so the download ends the moment its frame is complete.
        exchange.line().wantBatches(exchange.lineMillis(frame.contentRemaining()) >
                                    2 * SerialLine::kBatchMillis);
    });
    WaitEnd end = exchange.send(QStringLiteral("AT+QFRF=") + EncodeName(folder) + QStringLiteral(",0,") +
                                EncodeName(name) + QStringLiteral(",1"));
    // The framing ends the answer as soon as the announced bytes and the trailer are in.
    if (end == WaitEnd::Satisfied)
        end = exchange.waitUntil([&] { return frame.ended() || writeFailed || exchange.stopRequested(); });
    exchange.setSink(nullptr);
    exchange.stopTimeOut();
    // Stopped: the rest of the answer is dropped as it comes and the
    // temporary file goes, so the destination stays as it was.
    if (end == WaitEnd::Stopped ||
        (end == WaitEnd::Satisfied && exchange.stopRequested() && !frame.ended())) {
        if (end == WaitEnd::Satisfied)
            exchange.abandonAnswer(
                frame.state() == DownloadFrameParser::State::Content ? frame.contentRemaining() + 8 : -1);
        report.setStatus(1, report.text(PhoneTexts::Stopped));
        return Outcome::Stopped;
    }
    switch (end) {
    case WaitEnd::Cancelled:
    case WaitEnd::Stopped:
        return Outcome::Cancelled;
    case WaitEnd::LineLost:
        return Outcome::LineLost;
    case WaitEnd::TimedOut:
        report.setStatus(1, report.text(PhoneTexts::ReadTimeOut) + QLatin1Char(' ') + report.shownName(name) +
                                QStringLiteral("."));
        return Outcome::TimedOut;
    case WaitEnd::Satisfied:
        break;
    }
    // A write that the disk cut short (a size limit, a full disk) may only
    // show in the size of what it wrote.
    if (frame.complete() && (!destination.flush() || destination.size() != frame.contentDelivered()))
        writeFailed = true;
    if (frame.complete() || frame.refused()) {
        exchange.answerEnded();
        exchange.startPause();
    } else {
        // A file that could not be written, or an answer of the wrong shape or
        // size: the rest that the phone still sends is dropped before the next command.
        exchange.abandonAnswer(-1);
    }
    if (!frame.complete() || writeFailed || !destination.commit()) {
        report.setStatus(1, failedText);
        return Outcome::Failed;
    }
    report.progress(frame.contentDelivered(), frame.contentDelivered());
    report.setStatus(1, report.text(PhoneTexts::ReadDone));
    report.setCommandDone(true);
    return Outcome::Done;
}
