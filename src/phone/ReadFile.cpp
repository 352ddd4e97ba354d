#include "DownloadFrame.h"
#include "ExchangeScope.h"
#include "NameCodec.h"
#include "PhoneTexts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSaveFile>
#include <QTemporaryFile>

namespace {

constexpr int kSilenceEndsAnswer = 500;
// No phone file comes near this; a line that keeps talking is not a phone.
constexpr qint64 kLargestDownloadAnswer = 256LL * 1024 * 1024;

bool writeDestination(const QString& path, const QByteArray& answer, const DownloadFrame& frame)
{
    QSaveFile destination(path);
    if (!destination.open(QIODevice::WriteOnly))
        return false;
    const QByteArray content = answer.mid(frame.contentStart, frame.contentLength);
    if (destination.write(content) != content.size()) {
        destination.cancelWriting();
        return false;
    }
    return destination.commit();
}

} // namespace

Outcome PhoneLink::ReadFile(const QString& folder, const QString& name, const QString& localFolder)
{
    ExchangeScope scope(*this);
    if (!scope.admitted())
        return Outcome::NotRun;
    CommandDone = false;
    const QString failedText = text(PhoneTexts::ReadError) + QLatin1Char(' ') + name + QStringLiteral(".");
    setStatus(1, text(PhoneTexts::Reading) + QLatin1Char(' ') + name + QStringLiteral("..."));
    if (!isSafeLocalFileName(name)) {
        setStatus(1, failedText);
        return Outcome::Failed;
    }

    QTemporaryFile reception(QDir(TempFolder.isEmpty() ? QDir::tempPath() : TempFolder)
                                 .filePath(QStringLiteral("download-XXXXXX.tmp")));
    if (!reception.open()) {
        setStatus(1, failedText);
        return Outcome::Failed;
    }

    discardStaleInput();
    qint64 received = 0;
    bool writeFailed = false;
    QElapsedTimer silence;
    binarySink_ = [&](const QByteArray& chunk) {
        received += chunk.size();
        if (reception.write(chunk) != chunk.size())
            writeFailed = true;
        // Each arrival starts the silence that ends the answer afresh.
        silence.restart();
        if (!graceTimer_.isActive())
            graceTimer_.start(kSilenceEndsAnswer);
    };
    auto silentLongEnough = [&] {
        if (received == 0 || graceTimer_.isActive())
            return false;
        if (silence.elapsed() >= kSilenceEndsAnswer)
            return true;
        graceTimer_.start(static_cast<int>(kSilenceEndsAnswer - silence.elapsed()));
        return false;
    };
    sendCommand(QStringLiteral("AT+QFRF=") + EncodeName(folder) + QStringLiteral(",0,") + EncodeName(name) +
                QStringLiteral(",1"));
    startTimeOut();
    // The answer is complete once the phone has been silent for half a second
    // after it started sending; before the first byte only the time-out ends it.
    const WaitEnd end =
        waitUntil([&] { return writeFailed || received > kLargestDownloadAnswer || silentLongEnough(); });
    binarySink_ = nullptr;
    tmrTimeout_.stop();
    graceTimer_.stop();

    if (end == WaitEnd::Cancelled)
        return Outcome::Cancelled;
    if (end == WaitEnd::LineLost)
        return Outcome::LineLost;
    if (end == WaitEnd::TimedOut) {
        setStatus(1, text(PhoneTexts::ReadTimeOut) + QLatin1Char(' ') + name + QStringLiteral("."));
        return Outcome::TimedOut;
    }

    const WaitEnd pause = delayWait(nullptr);
    if (pause == WaitEnd::Cancelled)
        return Outcome::Cancelled;

    reception.flush();
    reception.seek(0);
    const QByteArray answer = reception.readAll();
    const DownloadFrame frame = locateDownloadContent(answer);
    if (writeFailed || !frame.valid || !writeDestination(QDir(localFolder).filePath(name), answer, frame)) {
        setStatus(1, failedText);
        return Outcome::Failed;
    }
    setStatus(1, text(PhoneTexts::ReadDone));
    CommandDone = true;
    return Outcome::Done;
}
