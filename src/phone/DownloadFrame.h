#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

// Reads a download answer as it arrives, in pieces of any size, and hands the
// file's bytes to a sink as soon as they are known to be content. The answer is
//   [echo of the command CR LF] CR LF "+QFRF: <size>" CR LF <size bytes> CR LF CR LF "OK" CR LF
// Lines of unsolicited result codes (RING, +CMTI, ...) may come before the size.
// An answer without a size line (CR LF <any line> CR LF <bytes> CR LF CR LF "OK"
// CR LF) ends only when the line falls silent: then call finishBySilence().
class DownloadFrameParser
{
public:
    enum class State
    {
        Header,   // before the content
        Content,  // counting the announced bytes
        Trailer,  // after them, expecting CR LF CR LF "OK" CR LF
        Unsized,  // no size announced: content until the line falls silent
        Complete, // a whole, well-formed file arrived
        Failed    // ERROR, a malformed size or a frame that does not fit
    };
    using Sink = std::function<void(QByteArrayView)>;

    explicit DownloadFrameParser(Sink contentSink = {});

    void feed(QByteArrayView bytes);
    // The line has been silent: an unsized answer ends here; any other
    // unfinished answer has failed.
    void finishBySilence();
    // Gives the answer up (too large, or the file could not take it).
    void fail() { state_ = State::Failed; }

    State state() const { return state_; }
    bool complete() const { return state_ == State::Complete; }
    bool failed() const { return state_ == State::Failed; }
    // True once the framing alone says the answer is over, either way.
    bool ended() const { return complete() || failed(); }
    std::optional<qint64> announcedSize() const { return announced_; }
    // Where the content starts in the answer and how many content bytes were handed on.
    qint64 contentStart() const { return contentStart_; }
    qint64 contentDelivered() const { return delivered_; }
    // Announced content bytes still to come.
    qint64 contentRemaining() const { return state_ == State::Content ? remaining_ : 0; }

private:
    void feedHeader(QByteArrayView bytes);
    void takeHeaderLine(QByteArrayView line);
    void feedContent(QByteArrayView bytes);
    void feedTrailer(QByteArrayView bytes);
    void feedUnsized(QByteArrayView bytes);
    void deliver(QByteArrayView bytes);

    Sink sink_;
    State state_ = State::Header;
    bool sawLeadingLineEnd_ = false;
    QByteArray pending_; // an unfinished header line, the trailer so far, or an unsized answer's last 8 bytes
    std::optional<qint64> announced_;
    qint64 remaining_ = 0;
    qint64 headerScanned_ = 0;
    qint64 contentStart_ = 0;
    qint64 delivered_ = 0;
};

// The content of a whole download answer (an unsized one taken as ended).
struct DownloadFrame
{
    bool valid = false;
    qint64 contentStart = 0;
    qint64 contentLength = 0;
};

DownloadFrame locateDownloadContent(const QByteArray& answer);

// A name from the phone that may become a local file name: no separators, no
// control characters, not "." or "..".
bool isSafeLocalFileName(const QString& name);
