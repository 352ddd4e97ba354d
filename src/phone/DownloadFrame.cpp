#include "DownloadFrame.h"

#include "ListingAnswer.h"

namespace {
const QByteArray kLineEnd("\r\n");
const QByteArray kTrailer("\r\n\r\nOK\r\n");
const QByteArray kSizeMark("+QFRF:");
} // namespace

DownloadFrame locateDownloadContent(const QByteArray& answer)
{
    DownloadFrame frame;
    const qsizetype first = answer.indexOf(kLineEnd);
    if (first < 0)
        return frame;
    const qsizetype second = answer.indexOf(kLineEnd, first + kLineEnd.size());
    if (second < 0)
        return frame;
    const QByteArray header = answer.mid(first + kLineEnd.size(), second - first - kLineEnd.size());
    if (header.contains("ERROR"))
        return frame;
    const qsizetype start = second + kLineEnd.size();
    const qsizetype length = answer.size() - start - kTrailer.size();
    if (length < 0 || !answer.endsWith(kTrailer))
        return frame;
    // When the phone announced the size, the bytes must match it exactly.
    const qsizetype markAt = header.indexOf(kSizeMark);
    if (markAt >= 0) {
        const QByteArray announced = header.mid(markAt + kSizeMark.size()).trimmed();
        bool ok = false;
        const qint64 size = announced.toLongLong(&ok);
        if (ok && size != length)
            return frame;
    }
    frame.valid = true;
    frame.contentStart = start;
    frame.contentLength = length;
    return frame;
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
