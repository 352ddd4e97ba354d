#pragma once

#include <QList>
#include <QString>

// What must be put right on the phone after a run that ended early (a partial
// file an upload left, an old file to put back). Kept in one small file of the
// user's data folder, written before the risky step and cleared after it, so
// that it outlives a lost line or a killed program: the next connection, of
// the window or the client, carries out what it finds here.
class RepairRecord
{
public:
    enum class Kind
    {
        DeletePartial, // an upload that did not end cleanly left part of `name`
        RestoreFile    // `copyPath` holds the phone's old `name`, to be put back
    };
    struct Repair
    {
        Kind kind = Kind::DeletePartial;
        QString folder; // the phone folder without its closing "/" ("" for the root)
        QString name;
        QString copyPath;
        // DeletePartial: the longest slice the phone may still be waiting for.
        qint64 sliceLength = 0;
        QString id;     // set by add()
        QString device; // the line it was recorded on, set by add()
    };

    explicit RepairRecord(QString filePath = defaultPath());
    static QString defaultPath();
    QString filePath() const { return path_; }

    // The line whose phone the entries added from now on are for: another
    // phone on another line must not get this one's files.
    void setDevice(const QString& device) { device_ = device; }

    // Returns the entry's id, or an empty text when it could not be recorded.
    QString add(Repair repair);
    void remove(const QString& id);
    // In the order they were added; with a device, only that line's.
    QList<Repair> pending(const QString& device = QString()) const;

    // A run that let go of `device` with nothing left on the line says so;
    // the next run takes the note (true: no earlier answer can be coming).
    void noteLineInStep(const QString& device);
    bool takeLineInStep(const QString& device);

private:
    QString path_;
    QString device_;
};
