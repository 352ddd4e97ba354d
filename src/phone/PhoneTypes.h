#pragma once

#include <QList>
#include <QString>

// How a phone operation ended.
enum class Outcome
{
    Done,
    Failed, // the phone refused or answered something unusable
    TimedOut,
    LineLost,  // the port went away; already reported
    Cancelled, // ended by the program (window closing); reports nothing
    Stopped,   // the user stopped the transfer; said so, nothing half-done left behind
    NotRun     // port closed, or another exchange is running
};

struct PhoneEntry
{
    QString name;
    bool isFolder = false;
    qint64 size = 0;

    bool operator==(const PhoneEntry&) const = default;
};

struct ListingResult
{
    Outcome outcome = Outcome::NotRun;
    QList<PhoneEntry> entries; // in the phone's order, only from a complete answer
    qint64 totalBytes = 0;
};

struct BatteryResult
{
    Outcome outcome = Outcome::NotRun;
    int percent = 0;
    int level = 0;
};

// One file waiting to be sent.
struct UploadItem
{
    QString LocalPath;
    QString PhoneFolder; // without its closing "/"; "</java>" marks the Java manager's entries
    QString FileName;
    qint64 FileSize = 0;
    bool puttingBack = false; // the phone's earlier file going back: said as such
};
