#include "DownloadFrame.h"

#include "UnsolicitedCodes.h"

namespace {
const QByteArrayView kLineEnd("\r\n");
const QByteArrayView kTrailer("\r\n\r\nOK\r\n");
const QByteArrayView kSizeMark("+QFRF:");
// An echo, a few unsolicited codes and the size line fit many times over.
constexpr qsizetype kLongestHeader = 4096;
// More digits than any qint64 holds are not a size.
constexpr qsizetype kLongestSize = 18;

std::optional<qint64> sizeIn(QByteArrayView line)
{
    const QByteArrayView digits = line.sliced(line.indexOf(kSizeMark) + kSizeMark.size()).trimmed();
    if (digits.isEmpty() || digits.size() > kLongestSize)
        return std::nullopt;
    qint64 size = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        size = size * 10 + (c - '0');
    }
    return size;
}
} // namespace

DownloadFrameParser::DownloadFrameParser(Sink contentSink) : sink_(std::move(contentSink)) {}

void DownloadFrameParser::feed(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    switch (state_) {
    case State::Header:
        feedHeader(bytes);
        break;
    case State::Content:
        feedContent(bytes);
        break;
    case State::Trailer:
        feedTrailer(bytes);
        break;
    case State::Complete:
    case State::Failed:
        // Whatever follows a finished answer (a late unsolicited code) is not the file's.
        break;
    }
}

void DownloadFrameParser::feedHeader(QByteArrayView bytes)
{
    qsizetype lineStart = headerScanned_;
    pending_ += bytes;
    for (;;) {
        const qsizetype end = pending_.indexOf(kLineEnd, lineStart);
        if (end < 0)
            break;
        takeHeaderLine(QByteArrayView(pending_).sliced(lineStart, end - lineStart));
        lineStart = end + kLineEnd.size();
        headerScanned_ = lineStart;
        if (state_ != State::Header)
            break;
    }
    if (state_ == State::Header) {
        if (pending_.size() > kLongestHeader)
            state_ = State::Failed;
        return;
    }
    if (state_ == State::Failed)
        return;
    const QByteArray rest = pending_.sliced(lineStart);
    pending_.clear();
    contentStart_ = lineStart;
    feed(rest);
}

void DownloadFrameParser::takeHeaderLine(QByteArrayView line)
{
    if (line.contains(kSizeMark)) {
        announced_ = sizeIn(line);
        if (!announced_) {
            state_ = State::Failed;
            return;
        }
        remaining_ = *announced_;
        state_ = remaining_ > 0 ? State::Content : State::Trailer;
        return;
    }
    if (!sawLeadingLineEnd_) {
        if (line.isEmpty())
            sawLeadingLineEnd_ = true;
        // The echo of our command, or a code whose leading line end came before.
        else if (!line.startsWith("AT") && !isUnsolicitedCode(line))
            state_ = State::Failed; // the answer's first bytes are missing
        return;
    }
    if (isUnsolicitedCode(line)) {
        sawLeadingLineEnd_ = false; // its closing line end was the next one's opening
        return;
    }
    refused_ = line == "ERROR";
    // Without its size line this is no download's answer: an earlier command's
    // late answer would otherwise be taken for the file.
    state_ = State::Failed;
}

void DownloadFrameParser::feedContent(QByteArrayView bytes)
{
    const qsizetype now = static_cast<qsizetype>(qMin<qint64>(remaining_, bytes.size()));
    deliver(bytes.first(now));
    remaining_ -= now;
    if (remaining_ > 0)
        return;
    state_ = State::Trailer;
    feed(bytes.sliced(now));
}

void DownloadFrameParser::feedTrailer(QByteArrayView bytes)
{
    const qsizetype wanted = kTrailer.size() - pending_.size();
    pending_ += bytes.first(qMin(wanted, bytes.size()));
    if (!kTrailer.startsWith(pending_)) {
        state_ = State::Failed;
        pending_.clear();
    } else if (pending_.size() == kTrailer.size()) {
        state_ = State::Complete;
        pending_.clear();
    }
}

void DownloadFrameParser::deliver(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    delivered_ += bytes.size();
    if (sink_)
        sink_(bytes);
}

bool isSafeLocalFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 32 || c.unicode() == 127)
            return false;
    }
    return true;
}
