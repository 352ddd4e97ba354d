#pragma once

#include "CommandContext.h"
#include "phone/KeptCopy.h"
#include "phone/PhoneTypes.h"

#include <QList>
#include <QStringList>

#include <optional>

class LocalPane;
class PhonePane;
class TransferRunner;

// Local files into the phone folder the list shows: chosen in a file dialog,
// dropped on the list, or queued (a dropped folder's chosen files, the Java
// manager's suites). A phone file of the same name is replaced only if the
// user agrees, and kept until the new one is whole.
class UploadCommands
{
public:
    UploadCommands(const CommandContext& context, TransferRunner& runner, PhonePane& phone,
                   const LocalPane& local);

    void UploadCommand();
    void UploadDroppedPaths(const QStringList& paths);
    // The files waiting to go; the Java manager fills it with its suites and menu.
    QList<UploadItem>& queue() { return queue_; }
    // How many queued files did not reach the phone.
    int SendQueuedFiles();
    Outcome uploadOne(UploadItem item, int fileNumber = 1, int fileCount = 1, bool askBeforeReplacing = true);

private:
    QStringList chooseUploads();
    // The files the user picks from a dropped local folder become the queue.
    void queueChosenFiles(const QString& folder);
    bool phoneFolderLists(const UploadItem& item) const;
    // The phone's file an upload replaces, kept on disk until the new one is complete.
    std::optional<KeptCopy> keepPhoneFile(const UploadItem& item);
    // Forgets the copy when the new file arrived; otherwise puts it back, or says where it is.
    void settleKeptFile(const KeptCopy& kept, const UploadItem& item, Outcome outcome);
    bool lineGone() const;

    CommandContext context_;
    TransferRunner& runner_;
    PhonePane& phone_;
    const LocalPane& local_;
    QList<UploadItem> queue_;
};
