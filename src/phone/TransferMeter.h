#pragma once

#include <QElapsedTimer>
#include <QLocale>
#include <QString>

// "0:07", "12:30", "1:02:03".
QString durationText(qint64 seconds);

// Follows one file's transfer: bytes done of the total, speed and time left.
class TransferMeter
{
public:
    void start(qint64 total);
    void update(qint64 done, qint64 total);

    qint64 done() const { return done_; }
    qint64 total() const { return total_; }
    // Bytes a second since the start; 0 until there is something to go on.
    double bytesPerSecond() const;
    // Seconds still needed at the speed so far; negative when not known.
    qint64 secondsLeft() const;

private:
    QElapsedTimer clock_;
    qint64 done_ = 0;
    qint64 total_ = -1;
};

class LanguageTable;

// The locale the interface language writes its numbers in.
QLocale interfaceLocale(const LanguageTable& texts);
// "File 2 of 5: 150 KB of 300 KB, 11.2 KB/s, 0:13 left"; the file count only
// when a command moves several files, speed and time only once known.
QString progressText(const TransferMeter& meter, const LanguageTable& texts, int fileNumber, int fileCount);
