#pragma once

#include "SelectorModel.h"
#include "phone/PhoneTypes.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>

#include <functional>

class PhoneLink;

// The phone's menu file as fetched for one editing session.
struct PhoneMenu
{
    bool downloaded = false; // only then may the menu be edited and sent back
    QByteArray content;      // the phone's file, byte for byte
    QString path;            // where it lies in the working folder
};

// Fetches "/java/selector.utf" into the working folder. An older copy there is
// removed first, so a failed download can never be taken for the phone's menu.
PhoneMenu DownloadSelector(PhoneLink& link, const QString& workingFolder);

struct JavaQueue
{
    int text = 0; // 0: queued; else the language text that says why nothing was
    QList<UploadItem> items;
};

// Writes the menu file and queues it first, then the suite files ("s*_suite.*")
// in the working folder whose suites the menu lists, each marked for "/java":
// the files of a suite installed and removed again stay behind. A menu read
// only up to an error drops the suites after it from the phone, so it is
// queued only when that loss was confirmed.
JavaQueue QueueForPhone(const SelectorModel& model, const QString& workingFolder, bool readHadError,
                        bool lossConfirmed);

// Which menu the phone holds once a sending has ended.
enum class PhoneHolds
{
    NewMenu,
    EarlierMenu, // never replaced, or put back at once
    NoMenu       // put back from the copy at the next connection
};

struct SendReport
{
    int text = 0;     // 0: everything sent
    QString menuCopy; // the phone's earlier menu, saved before anything was sent
    PhoneHolds holds = PhoneHolds::EarlierMenu;
};

// Uploads one queued file (phone folder and name filled in): the client sends
// it straight, the window with its progress and tally.
using SendOne = std::function<Outcome(const UploadItem&)>;

// Sends a queue made by QueueForPhone into "/java". The phone has no rename,
// so its menu must be deleted before the new one is written; the order keeps
// that gap short and repairable. A copy of `phoneMenu` is saved in
// `copiesFolder`; the suite files go first (a cut one leaves only a partial
// file, and the old menu still works; one that replaces a file is kept until
// the end); then the copy is noted in the link's repair journal,
// the old menu is deleted and the new one sent. If that fails while the line
// works, the copy goes back at once; otherwise the record has the next
// connection put it back. Stops at the first failed upload; the new suites'
// files already sent are deleted again then, as no menu names them.
SendReport SendQueue(PhoneLink& link, const QList<UploadItem>& queue, const QByteArray& phoneMenu,
                     const QString& copiesFolder, const SendOne& sendOne = {});

// The language text that says which menu the phone holds.
int holdsText(const SendReport& report);
// What the user is told after a sending: what failed, which menu the phone
// holds now and where the copy of its earlier menu lies.
// Queues and sends, as the client runs it.
SendReport SendToPhone(PhoneLink& link, const SelectorModel& model, const QString& workingFolder,
                       const PhoneMenu& menu, bool readHadError, bool lossConfirmed,
                       const QString& copiesFolder);

QString sendingText(const PhoneLink& link, const SendReport& report);

// The roots of the suites the phone's menu lists that `model` no longer lists.
QByteArrayList removedRoots(const QByteArray& phoneMenu, const SelectorModel& model);
// Deletes the files of those suites in "/java"; false when one is left.
bool DeleteSuiteFiles(PhoneLink& link, const QByteArrayList& roots);
