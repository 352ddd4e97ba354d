#include "Exchange.h"
#include "Line.h"
#include "NameCodec.h"
#include "PhoneObserver.h"
#include "PhoneOperations.h"
#include "PhoneReport.h"
#include "PhoneTexts.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

bool phone::OpenUploadFile(PhoneReport& report, QFile& file)
{
    const QString path = file.fileName();
    if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly))
        return true;
    // A file that is there but cannot be opened is not "no longer there".
    const int why = QFileInfo(path).isFile() ? PhoneTexts::UnreadableFileAfter : PhoneTexts::MissingFileAfter;
    report.observer().message(report.text(PhoneTexts::MissingFileBefore) + QLatin1Char(' ') + path +
                              QLatin1Char(' ') + report.text(why));
    return false;
}

namespace {

Outcome writeSlice(Exchange& exchange, PhoneReport& report, const UploadItem& item, QFile& file,
                   qint64 offset, qint64 length, bool& phoneFileStarted)
{
    QByteArray buffer;
    if (!file.seek(offset) || (buffer = file.read(length)).size() != length) {
        report.setStatus(1, report.operationText() + QLatin1Char(' ') +
                                report.text(PhoneTexts::UploadWriteError) + QStringLiteral("!"));
        return Outcome::Failed;
    }
    // The phone takes the declared length; the copy of the last two bytes that
    // follows it is dropped on the phone's side.
    const QByteArray wire = buffer + buffer.right(2);

    WaitEnd end = exchange.send(QStringLiteral("AT+QFWF=") + EncodeName(item.PhoneFolder) +
                                QStringLiteral(",0,") + EncodeName(item.FileName) + QStringLiteral(",1,") +
                                QString::number(length) + QStringLiteral(",1,") + QString::number(offset));
    report.setCommandDone(false);
    if (end == WaitEnd::Stopped)
        return Outcome::Stopped;
    if (end == WaitEnd::TimedOut)
        return Outcome::TimedOut;
    if (end != WaitEnd::Satisfied)
        return end == WaitEnd::LineLost ? Outcome::LineLost : Outcome::Cancelled;
    // From here the phone may start a file of this name, or wait for this slice's bytes.
    phoneFileStarted = true;
    exchange.sliceOpened(length);
    end = exchange.waitUntil(
        [&exchange] { return exchange.answer().contains('>') || exchange.answer().contains("ERROR"); });
    if (end == WaitEnd::Cancelled)
        return Outcome::Cancelled;
    if (end == WaitEnd::LineLost)
        return Outcome::LineLost;
    if (end == WaitEnd::TimedOut)
        return Outcome::TimedOut;
    if (!exchange.answer().contains('>')) {
        // Refused before any byte: the phone takes no data and, for the
        // first slice, keeps whatever file it had.
        exchange.sliceTaken();
        exchange.answerEnded();
        if (offset == 0)
            phoneFileStarted = false;
        report.setStatus(1, report.text(PhoneTexts::Sending) + QLatin1Char(' ') +
                                report.shownName(item.FileName) + QStringLiteral("... ") +
                                report.text(PhoneTexts::UploadWriteError) + QStringLiteral("!"));
        return Outcome::Failed;
    }

    report.setCommandDone(true);
    report.setStatus(1, report.text(item.puttingBack ? PhoneTexts::PuttingBack : PhoneTexts::Sending) +
                            QLatin1Char(' ') + report.shownName(item.FileName) + QStringLiteral("..."));

    // An "OK" that came with the prompt cannot confirm data not yet sent; only
    // a slice without data may be confirmed at once.
    exchange.answer() =
        wire.isEmpty() ? exchange.answer().mid(exchange.answer().indexOf('>') + 1) : QByteArray();
    exchange.write(wire);
    // The phone's pause runs alongside the data; the next command waits for its end.
    exchange.startPause();
    exchange.measureSilenceFor(exchange.timing().TimeOutTime + 2 * exchange.lineMillis(wire.size()));
    // What arrives while our data is still leaving is not its confirmation.
    qsizetype confirmedFrom = wire.isEmpty() ? 0 : -1;
    auto noteHandOver = [&] {
        if (confirmedFrom < 0 && exchange.line().bytesToWrite() == 0)
            confirmedFrom = exchange.answer().size();
    };
    exchange.setSink([&](const QByteArray& chunk) {
        noteHandOver();
        exchange.answer() += chunk;
    });
    end = exchange.waitUntil([&] {
        noteHandOver();
        return exchange.answer().contains("ERROR") ||
               (confirmedFrom >= 0 && exchange.answer().indexOf("OK", confirmedFrom) >= 0);
    });
    exchange.setSink(nullptr);
    exchange.stopTimeOut();
    if (exchange.line().bytesToWrite() == 0 && end != WaitEnd::Cancelled)
        exchange.sliceTaken();
    if (end == WaitEnd::Satisfied)
        exchange.answerEnded();
    if (end == WaitEnd::Cancelled)
        return Outcome::Cancelled;
    if (end == WaitEnd::LineLost)
        return Outcome::LineLost;
    if (exchange.answer().contains("ERROR")) {
        // A refused first slice was not stored: the phone holds no part of this file.
        if (offset == 0)
            phoneFileStarted = false;
        // A slice the phone did not store would leave a hole in the file.
        report.setStatus(1, report.operationText() + QLatin1Char(' ') +
                                report.text(PhoneTexts::UploadPhoneError) + QStringLiteral("!"));
        return Outcome::Failed;
    }
    if (end == WaitEnd::TimedOut)
        return Outcome::TimedOut;
    return Outcome::Done;
}

} // namespace

Outcome phone::SendSlices(Exchange& exchange, PhoneReport& report, const UploadItem& item, QFile& file,
                          bool& phoneFileStarted, const SliceRecord& recordSlice)
{
    ExchangeTurn scope(exchange);
    if (!scope.admitted())
        return Outcome::NotRun;
    exchange.setTransferRunning(true);
    const auto endOfTransfer = qScopeGuard([&exchange] { exchange.setTransferRunning(false); });

    // The bytes on disk now are what gets sent, whatever size was noted earlier.
    const qint64 total = file.size();
    report.progress(0, total);

    const qint64 slice = exchange.timing().SliceSize;
    const qint64 sliceCount = total == 0 ? 1 : (total + slice - 1) / slice;
    for (qint64 index = 0; index < sliceCount; ++index) {
        const qint64 offset = index * slice;
        // Between slices: the phone has stored every slice it confirmed.
        if (exchange.stopRequested()) {
            report.setStatus(1, report.text(PhoneTexts::Stopped));
            return Outcome::Stopped;
        }
        // What the phone may hold from here on, so that a repair knows its own leftover.
        if (index > 0 && !recordSlice(offset, qMin(slice, total - offset)))
            return Outcome::Failed;
        const Outcome sent =
            writeSlice(exchange, report, item, file, offset, qMin(slice, total - offset), phoneFileStarted);
        if (sent == Outcome::Done) {
            report.progress(offset + qMin(slice, total - offset), total);
            continue;
        }
        if (sent == Outcome::Stopped)
            report.setStatus(1, report.text(PhoneTexts::Stopped));
        if (sent == Outcome::TimedOut)
            report.setStatus(1, report.operationText() + QLatin1Char(' ') +
                                    report.text(PhoneTexts::UploadTimeOut) + QStringLiteral("!"));
        return sent;
    }
    return Outcome::Done;
}
