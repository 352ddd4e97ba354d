#pragma once

#include "DownloadFrame.h"
#include "LineTrace.h"

#include <QElapsedTimer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Turns the line's traffic into readable lines, one per command or answer line:
//   "   0.412 → AT+QFSL=\"002F\",0\r\n"
//   "   1.030 ← [10240 B] FF D8 FF E0 00 10 4A 46 49 46 00 01 01 01 00 48 …"
// Seconds count from the first line. Control characters are shown as escapes.
// A file's content (in a download's answer, or an upload's slice) and anything
// that is not short printable text is shown as its byte count and first bytes
// only: a line never holds more of a file than kHeadBytes of it.
class LineLogFormat : public LineTrace
{
public:
    using Sink = std::function<void(const QString& line)>;
    static constexpr int kHeadBytes = 16;
    // A longer "line" is no answer text; it is shown as data.
    static constexpr int kLongestTextLine = 256;

    explicit LineLogFormat(Sink sink);
    ~LineLogFormat() override;

    void sent(const QByteArray& bytes) override;
    void received(const QByteArray& bytes) override;
    // Writes out an answer line still waiting for its end, and a file's content
    // whose end has not been seen.
    void flush();
    // The next line counts as the first again.
    void restart();

    // The visible form of text bytes: "\r", "\n", "\t", "\\", other control bytes as "\xNN".
    static QString visible(QByteArrayView bytes);
    static QString countAndHead(qint64 count, QByteArrayView head);
    static bool isShortText(QByteArrayView bytes);

private:
    struct Run
    {
        qint64 since = 0;
        QByteArray head;
        qint64 count = 0;
    };

    qint64 now();
    void emitLine(qint64 at, bool toPhone, const QString& payload);
    void emitTextOrData(qint64 at, bool toPhone, QByteArrayView bytes);
    void takeAnswerText(QByteArrayView bytes);
    void takeContent(QByteArrayView bytes);
    void endContent();
    void flushPartialLine();
    // The part of an answer that belongs to the file, in answer offsets.
    void locateContent();

    Sink sink_;
    QElapsedTimer clock_;
    QByteArray partial_; // an answer line whose end has not come yet
    qint64 partialSince_ = 0;
    std::optional<Run> content_;
    // The answer to a download command, read alongside the link to tell content from framing.
    std::unique_ptr<DownloadFrameParser> frame_;
    qint64 answerOffset_ = 0;
    std::optional<qint64> contentBegin_;
    qint64 contentEnd_ = 0;
};
