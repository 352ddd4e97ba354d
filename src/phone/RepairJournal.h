#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// What must be put right on a phone after a run that ended early (a partial
// file an upload left, an old file to put back), and how the serial line was
// left. One small file in the user's data folder, written before the risky
// step and cleared after it, so that it outlives a lost line or a killed
// program. The link owns the one journal of a process; nothing else opens the file.
class RepairJournal
{
public:
    enum class Kind
    {
        DeletePartial, // an upload that did not end cleanly left part of `name`
        RestoreFile    // `copyPath` holds the phone's earlier `name`, to be put back
    };
    struct Entry
    {
        QString id; // set by add()
        Kind kind = Kind::DeletePartial;
        QString phone;      // the identity key of the phone it belongs to
        QString phoneShown; // how the user knows that phone
        QString device;     // the line it was recorded on
        QString folder;     // the phone folder without its closing "/" ("" for the root)
        QString name;
        // DeletePartial: bytes the phone confirmed, and the slice on its way,
        // which the phone may have stored or may still wait for.
        qint64 confirmed = 0;
        qint64 onTheWay = 0;
        bool sliceOpen = true; // the phone may still wait for the rest of that slice
        // RestoreFile: the saved copy, its size and checksum.
        QString copyPath;
        qint64 copySize = 0;
        QByteArray copySum;
        bool ownsCopy = true; // deleted once back on the phone
        int tries = 0;        // connections that tried it
        qint64 recordedAt = 0;
        qint64 lastSeenAt = 0; // when its phone was last connected (ms since the epoch)

        QString phonePath() const { return folder + QLatin1Char('/') + name; }
        // True when a file of `size` can be what this upload left.
        bool fitsPartial(qint64 size) const { return size >= confirmed && size <= confirmed + onTheWay; }
    };
    // How a run left a line. A run still working (or killed) leaves its
    // process id; a run that ended says when and how long the line must then
    // stay quiet before the next command.
    struct LineMark
    {
        qint64 pid = 0; // non-zero: the run that held the line did not end it
        qint64 quietMillis = 0;
        qint64 endedAt = 0;     // ms since the epoch
        qint64 pauseMillis = 0; // of the phone's pause, still to run at `endedAt`
    };

    explicit RepairJournal(QString filePath = defaultPath());
    static QString defaultPath();
    QString filePath() const { return path_; }
    void setFilePath(const QString& path) { path_ = path; }
    // Where the copies of replaced phone files are kept, beside the journal.
    QString copiesFolder() const;
    // Why the last change could not be written.
    QString lastError() const { return error_; }

    // The entry's id, or an empty text when it could not be written.
    QString add(Entry entry);
    bool update(const Entry& entry);
    bool remove(const QString& id);
    QList<Entry> entries() const;
    std::optional<Entry> entry(const QString& id) const;

    std::optional<LineMark> lineMark(const QString& device) const;
    bool setLineMark(const QString& device, const LineMark& mark);

    // The checksum kept for a saved copy; empty when it cannot be read.
    static QByteArray checksumOf(const QString& path);

private:
    struct Content;
    Content read() const;
    bool write(const Content& content);
    template <typename Change> bool change(Change&& change);

    QString path_;
    QString error_;
};
