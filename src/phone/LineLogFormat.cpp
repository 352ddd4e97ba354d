#include "LineLogFormat.h"

#include <limits>

namespace {
const QByteArrayView kDownloadCommand("AT+QFRF=");
} // namespace

LineLogFormat::LineLogFormat(Sink sink) : sink_(std::move(sink)) {}

LineLogFormat::~LineLogFormat() = default;

bool LineLogFormat::isShortText(QByteArrayView bytes)
{
    if (bytes.size() > kLongestTextLine)
        return false;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 || byte > 0x7e) && c != '\r' && c != '\n' && c != '\t')
            return false;
    }
    return true;
}

QString LineLogFormat::visible(QByteArrayView bytes)
{
    QString shown;
    shown.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r')
            shown += QLatin1String("\\r");
        else if (c == '\n')
            shown += QLatin1String("\\n");
        else if (c == '\t')
            shown += QLatin1String("\\t");
        else if (c == '\\')
            shown += QLatin1String("\\\\");
        else if (byte < 0x20 || byte > 0x7e)
            shown += QStringLiteral("\\x%1").arg(uint(byte), 2, 16, QLatin1Char('0'));
        else
            shown += QLatin1Char(c);
    }
    return shown;
}

QString LineLogFormat::countAndHead(qint64 count, QByteArrayView head)
{
    QString shown = QStringLiteral("[%1 B]").arg(count);
    if (!head.isEmpty())
        shown += QLatin1Char(' ') + QString::fromLatin1(head.toByteArray().toHex(' ').toUpper());
    if (count > head.size())
        shown += QStringLiteral(" …");
    return shown;
}

qint64 LineLogFormat::now()
{
    if (!clock_.isValid())
        clock_.start();
    return clock_.elapsed();
}

void LineLogFormat::restart()
{
    clock_.invalidate();
}

void LineLogFormat::emitLine(qint64 at, bool toPhone, const QString& payload)
{
    sink_(QStringLiteral("%1 %2 %3")
              .arg(static_cast<double>(at) / 1000.0, 8, 'f', 3)
              .arg(toPhone ? QStringLiteral("→") : QStringLiteral("←"), payload));
}

void LineLogFormat::emitTextOrData(qint64 at, bool toPhone, QByteArrayView bytes)
{
    if (isShortText(bytes))
        emitLine(at, toPhone, visible(bytes));
    else
        emitLine(at, toPhone,
                 countAndHead(bytes.size(), bytes.first(qMin<qsizetype>(kHeadBytes, bytes.size()))));
}

void LineLogFormat::sent(const QByteArray& bytes)
{
    flush();
    // Only the answer to a download command carries a file.
    frame_.reset();
    contentBegin_.reset();
    answerOffset_ = 0;
    if (bytes.startsWith(kDownloadCommand))
        frame_ = std::make_unique<DownloadFrameParser>();
    if (bytes.isEmpty())
        return;
    // Our commands are one line of printable text; whatever else goes out is a file's slice.
    const bool command =
        bytes.startsWith("AT") && bytes.endsWith("\r\n") && bytes.count('\n') == 1 && isShortText(bytes);
    if (command)
        emitLine(now(), true, visible(bytes));
    else
        emitLine(now(), true,
                 countAndHead(bytes.size(),
                              QByteArrayView(bytes).first(qMin<qsizetype>(kHeadBytes, bytes.size()))));
}

void LineLogFormat::received(const QByteArray& bytes)
{
    if (!frame_) {
        takeAnswerText(bytes);
        return;
    }
    const qint64 from = answerOffset_;
    const qint64 to = from + bytes.size();
    frame_->feed(bytes);
    answerOffset_ = to;
    locateContent();
    if (!contentBegin_) {
        takeAnswerText(bytes);
        return;
    }
    const qint64 begin = qBound(from, *contentBegin_, to);
    const qint64 end = qBound(from, contentEnd_, to);
    takeAnswerText(QByteArrayView(bytes).sliced(0, begin - from));
    takeContent(QByteArrayView(bytes).sliced(begin - from, end - begin));
    if (end == contentEnd_)
        endContent();
    takeAnswerText(QByteArrayView(bytes).sliced(end - from));
}

void LineLogFormat::locateContent()
{
    if (contentBegin_ || !frame_)
        return;
    const DownloadFrameParser::State state = frame_->state();
    // A refused download (ERROR, or no size to be read) carries no content.
    if (state == DownloadFrameParser::State::Header ||
        (state == DownloadFrameParser::State::Failed && !frame_->announcedSize()))
        return;
    contentBegin_ = frame_->contentStart();
    // Without an announced size everything after the header is taken for content.
    contentEnd_ = frame_->announcedSize() ? *contentBegin_ + *frame_->announcedSize()
                                          : std::numeric_limits<qint64>::max();
}

void LineLogFormat::takeContent(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    if (!content_) {
        flushPartialLine();
        content_ = Run{now(), {}, 0};
    }
    content_->count += bytes.size();
    const qsizetype missing = kHeadBytes - content_->head.size();
    if (missing > 0)
        content_->head += bytes.first(qMin(missing, bytes.size()));
}

void LineLogFormat::endContent()
{
    if (!content_)
        return;
    emitLine(content_->since, false, countAndHead(content_->count, content_->head));
    content_.reset();
}

void LineLogFormat::takeAnswerText(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    endContent();
    while (!bytes.isEmpty()) {
        if (partial_.isEmpty())
            partialSince_ = now();
        const qsizetype lineEnd = bytes.indexOf('\n');
        const qsizetype taken = lineEnd < 0 ? bytes.size() : lineEnd + 1;
        partial_ += bytes.first(taken);
        bytes = bytes.sliced(taken);
        // A line that never ends is written out once it is too long to be text anyway.
        if (lineEnd >= 0 || partial_.size() > kLongestTextLine)
            flushPartialLine();
    }
}

void LineLogFormat::flushPartialLine()
{
    if (partial_.isEmpty())
        return;
    emitTextOrData(partialSince_, false, partial_);
    partial_.clear();
}

void LineLogFormat::flush()
{
    flushPartialLine();
    endContent();
}
