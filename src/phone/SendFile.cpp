#include "ExchangeScope.h"
#include "NameCodec.h"
#include "PhoneObserver.h"
#include "PhoneTexts.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Whole percent of the file's bytes sent so far, with at least two digits.
QString percentText(qint64 sent, qint64 total)
{
    const qint64 percent = total > 0 ? (sent * 100 + total / 2) / total : 100;
    return QStringLiteral("%1%").arg(percent, 2, 10, QLatin1Char('0'));
}

} // namespace

Outcome PhoneLink::SendFile(const UploadItem& item)
{
    if (!isOpen())
        return Outcome::NotRun;
    ExchangeScope scope(*this);
    if (!scope.admitted())
        return Outcome::NotRun;

    QFile file(item.LocalPath);
    if (!QFileInfo(item.LocalPath).isFile() || !file.open(QIODevice::ReadOnly)) {
        // A file that is there but cannot be opened is not "no longer there".
        const int why = QFileInfo(item.LocalPath).isFile() ? PhoneTexts::UnreadableFileAfter
                                                           : PhoneTexts::MissingFileAfter;
        observer_.message(text(PhoneTexts::MissingFileBefore) + QLatin1Char(' ') + item.LocalPath +
                          QLatin1Char(' ') + text(why));
        return Outcome::Failed;
    }
    // The bytes on disk now are what gets sent, whatever size was noted earlier.
    const qint64 total = file.size();
    observer_.progressRange(static_cast<int>(total / 100 + 1));
    observer_.progressValue(0);

    const qint64 slice = timing_.SliceSize;
    const qint64 sliceCount = total == 0 ? 1 : (total + slice - 1) / slice;
    for (qint64 index = 0; index < sliceCount; ++index) {
        const qint64 offset = index * slice;
        const Outcome sent = writeSlice(item, file, offset, qMin(slice, total - offset), total);
        if (sent == Outcome::Done)
            continue;
        if (sent == Outcome::TimedOut)
            setStatus(1, panel1_ + QLatin1Char(' ') + text(PhoneTexts::UploadTimeOut) + QStringLiteral("!"));
        return sent;
    }
    return Outcome::Done;
}

Outcome PhoneLink::writeSlice(const UploadItem& item, QFile& file, qint64 offset, qint64 length, qint64 total)
{
    QByteArray buffer;
    if (!file.seek(offset) || (buffer = file.read(length)).size() != length) {
        setStatus(1, panel1_ + QLatin1Char(' ') + text(PhoneTexts::UploadWriteError) + QStringLiteral("!"));
        return Outcome::Failed;
    }
    // The phone takes the declared length; the copy of the last two bytes that
    // follows it is dropped on the phone's side.
    const QByteArray wire = buffer + buffer.right(2);

    WaitEnd end = startExchange(QStringLiteral("AT+QFWF=") + EncodeName(item.PhoneFolder) +
                                QStringLiteral(",0,") + EncodeName(item.FileName) + QStringLiteral(",1,") +
                                QString::number(length) + QStringLiteral(",1,") + QString::number(offset));
    CommandDone = false;
    if (end == WaitEnd::Satisfied)
        end = waitUntil([this] { return ReceiveBuffer.contains('>') || ReceiveBuffer.contains("ERROR"); });
    if (end == WaitEnd::Cancelled)
        return Outcome::Cancelled;
    if (end == WaitEnd::LineLost)
        return Outcome::LineLost;
    if (end == WaitEnd::TimedOut)
        return Outcome::TimedOut;
    if (!ReceiveBuffer.contains('>')) {
        setStatus(1, text(PhoneTexts::Sending) + QLatin1Char(' ') + item.FileName + QStringLiteral("... ") +
                         text(PhoneTexts::UploadWriteError) + QStringLiteral("!"));
        return Outcome::Failed;
    }

    CommandDone = true;
    setStatus(1, text(PhoneTexts::Sending) + QLatin1Char(' ') + item.FileName + QStringLiteral("..."));
    const qint64 sent = offset + length;
    observer_.progressValue(static_cast<int>(sent / 100));
    setStatus(3, percentText(sent, total));

    // An "OK" that came with the prompt cannot confirm data not yet sent; only
    // a slice without data may be confirmed at once.
    ReceiveBuffer = wire.isEmpty() ? ReceiveBuffer.mid(ReceiveBuffer.indexOf('>') + 1) : QByteArray();
    port_.write(wire);
    // The phone's pause runs alongside the data; the next command waits for its end.
    startPause();
    measureSilenceFor(timing_.TimeOutTime + 2 * lineMillis(wire.size()));
    // What arrives while our data is still leaving is not its confirmation.
    qsizetype confirmedFrom = wire.isEmpty() ? 0 : -1;
    auto noteHandOver = [&] {
        if (confirmedFrom < 0 && port_.bytesToWrite() == 0)
            confirmedFrom = ReceiveBuffer.size();
    };
    binarySink_ = [&](const QByteArray& chunk) {
        noteHandOver();
        ReceiveBuffer += chunk;
    };
    end = waitUntil([&] {
        noteHandOver();
        return ReceiveBuffer.contains("ERROR") ||
               (confirmedFrom >= 0 && ReceiveBuffer.indexOf("OK", confirmedFrom) >= 0);
    });
    binarySink_ = nullptr;
    tmrTimeout_.stop();
    if (end == WaitEnd::Cancelled)
        return Outcome::Cancelled;
    if (end == WaitEnd::LineLost)
        return Outcome::LineLost;
    if (ReceiveBuffer.contains("ERROR")) {
        // A slice the phone did not store would leave a hole in the file.
        setStatus(1, panel1_ + QLatin1Char(' ') + text(PhoneTexts::UploadPhoneError) + QStringLiteral("!"));
        return Outcome::Failed;
    }
    if (end == WaitEnd::TimedOut)
        return Outcome::TimedOut;
    return Outcome::Done;
}
