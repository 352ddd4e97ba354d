#pragma once

#include "CommandContext.h"

#include <QString>

class LocalPane;
class PhonePane;
class TransferRunner;
struct CopyFailure;
struct FolderCopyOptions;
struct FolderCopyTally;

// Download folder: a phone folder with its sub-folders into a local folder of
// its name inside the folder the local pane shows, counted and reported.
class FolderDownloadCommand
{
public:
    FolderDownloadCommand(const CommandContext& context, TransferRunner& runner, PhonePane& phone,
                          const LocalPane& local);

    void DownloadFolderCommand(const QString& phoneFolder);

private:
    FolderCopyOptions options();
    void showFolderTally(const QString& phoneFolder, const FolderCopyTally& tally);
    QString copyFailureText(const CopyFailure& failure) const;

    CommandContext context_;
    TransferRunner& runner_;
    PhonePane& phone_;
    const LocalPane& local_;
};
