#pragma once

#include "CommandContext.h"

#include <QList>
#include <QUrl>

class LocalPane;
class PhonePane;
class QMimeData;
class TransferRunner;
class WorkingFolder;
struct PhoneRow;

// What acts on the phone list's selected rows: Download into the local folder,
// open with their program, Delete, and a drag to the desktop.
class RowCommands
{
public:
    RowCommands(const CommandContext& context, TransferRunner& runner, PhonePane& phone,
                const LocalPane& local, const WorkingFolder& working);

    void DownloadCommand();
    // Downloaded into the working folder, then opened by the desktop.
    void OpenSelectedRows();
    void DeleteCommand();
    // The drag of the selected rows; a file manager receiving it gets them
    // downloaded into the working folder.
    QMimeData* rowsDragData();

private:
    void download(bool thenOpen);
    QList<QUrl> deliverRows(const QList<PhoneRow>& rows);
    bool confirmDelete(const QList<PhoneRow>& rows);

    CommandContext context_;
    TransferRunner& runner_;
    PhonePane& phone_;
    const LocalPane& local_;
    const WorkingFolder& working_;
};
