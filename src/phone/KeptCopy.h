#pragma once

#include "PhoneTypes.h"

#include <QString>

#include <functional>
#include <optional>

class PhoneLink;

// The phone cannot rename, so a file it holds is replaced by deleting or
// overwriting it. Until the new file is whole, the old one lives on in a
// copy beside the repair journal, which has the next connection put it back
// when this run cannot.
struct KeptCopy
{
    QString path;
    QString entryId;
};

// Records that `copyPath` holds the phone's earlier `folder`/`name`; the
// journal entry's id, or an empty text (the status says why) when it could not be written.
QString RecordPutBack(PhoneLink& link, const QString& folder, const QString& name, const QString& copyPath,
                      bool ownsCopy);

// Copies the phone's file that `item` is to replace; nullopt (said in the status) when it could not be kept.
std::optional<KeptCopy> KeepPhoneFile(PhoneLink& link, const UploadItem& item);
// After the upload meant to replace it: a whole new file drops the copy;
// otherwise the copy goes back while the line works, or waits in the journal.
// Says what became of it after the upload's own text.
// `beforePutBack` lets a window show the put-back as a transfer of its own.
void SettleKeptCopy(PhoneLink& link, const KeptCopy& kept, const UploadItem& item, Outcome upload,
                    const std::function<void()>& beforePutBack = {});
void DropKeptCopy(PhoneLink& link, const KeptCopy& kept);

// Sends `item` over the phone's file of that name, keeping the old one until the new one is whole.
Outcome SendReplacing(PhoneLink& link, const UploadItem& item);
