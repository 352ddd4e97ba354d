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
// Anything else is not a download's answer (a stray answer of an earlier
// command, say) and fails: its bytes must never become a file.
class DownloadFrameParser
{
public:
    enum class State
    {
        Header,   // before the content
        Content,  // counting the announced bytes
        Trailer,  // after them, expecting CR LF CR LF "OK" CR LF
        Complete, // a whole, well-formed file arrived
        Failed    // ERROR, a malformed size, an answer of another shape or a frame that does not fit
    };
    using Sink = std::function<void(QByteArrayView)>;

    explicit DownloadFrameParser(Sink contentSink = {});

    void feed(QByteArrayView bytes);
    // Gives the answer up (too large, or the file could not take it).
    void fail() { state_ = State::Failed; }

    State state() const { return state_; }
    bool complete() const { return state_ == State::Complete; }
    bool failed() const { return state_ == State::Failed; }
    // The phone answered ERROR: a whole answer, only not a file.
    bool refused() const { return refused_; }
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
    void deliver(QByteArrayView bytes);

    Sink sink_;
    State state_ = State::Header;
    bool sawLeadingLineEnd_ = false;
    bool refused_ = false;
    QByteArray pending_; // an unfinished header line, or the trailer so far
    std::optional<qint64> announced_;
    qint64 remaining_ = 0;
    qint64 headerScanned_ = 0;
    qint64 contentStart_ = 0;
    qint64 delivered_ = 0;
};

// A name from the phone that may become a local file name: no separators, no
// control characters, not "." or "..".
bool isSafeLocalFileName(const QString& name);
