#pragma once

#include "SelectorModel.h"
#include "phone/PhoneTypes.h"

#include <QByteArray>
#include <QList>
#include <QString>

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

// Writes the menu file and queues it first, then every suite file ("s*_suite.*")
// in the working folder, each marked for "/java". A menu read only up to an
// error drops the suites after it from the phone, so it is queued only when
// that loss was confirmed.
JavaQueue QueueForPhone(const SelectorModel& model, const QString& workingFolder, bool readHadError,
                        bool lossConfirmed);

struct SendReport
{
    int text = 0;     // 0: everything sent
    QString menuCopy; // the phone's earlier menu, saved before it was deleted
};

// Saves the phone's menu as a copy in `copiesFolder`, deletes "selector.utf"
// in "/java/" and uploads the queue into "/java", the menu first. Stops at the
// first failed upload and names the copy.
SendReport SendQueue(PhoneLink& link, const QList<UploadItem>& queue, const QByteArray& phoneMenu,
                     const QString& copiesFolder);

// Both steps, as the client runs them.
SendReport SendToPhone(PhoneLink& link, const SelectorModel& model, const QString& workingFolder,
                       const PhoneMenu& menu, bool readHadError, bool lossConfirmed,
                       const QString& copiesFolder);
