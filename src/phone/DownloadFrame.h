#pragma once

#include <QByteArray>
#include <QString>

// Where a file's bytes lie in a download answer:
// CR LF "+QFRF: <size>" CR LF, the bytes, CR LF CR LF "OK" CR LF.
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
