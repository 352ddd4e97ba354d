#include "PhoneLink.h"
#include "PhoneTexts.h"

#include <QFileInfo>

#include <algorithm>

int PhoneLink::CarryOutRepairs()
{
    if (!repairRecord_ || !isOpen())
        return 0;
    QList<RepairRecord::Repair> repairs = repairRecord_->pending(device_);
    if (repairs.isEmpty())
        return 0;
    // A killed upload may have left the phone waiting for the rest of its slice.
    for (const RepairRecord::Repair& repair : repairs)
        sliceToFill_ = qMax(sliceToFill_, repair.sliceLength);
    // Partial files go first: putting an old file back may itself have been cut short.
    std::stable_partition(repairs.begin(), repairs.end(), [](const RepairRecord::Repair& repair) {
        return repair.kind == RepairRecord::Kind::DeletePartial;
    });
    QStringList done;
    QStringList left;
    for (const RepairRecord::Repair& repair : repairs) {
        const QString path = shownName(repair.folder + QLatin1Char('/') + repair.name);
        if (isOpen() && repairOne(repair)) {
            repairRecord_->remove(repair.id);
            done << text(repair.kind == RepairRecord::Kind::DeletePartial ? PhoneTexts::RepairDeleted
                                                                          : PhoneTexts::RepairRestored) +
                        QLatin1Char(' ') + path;
        } else {
            left << path;
        }
    }
    QString said;
    if (!done.isEmpty())
        said = text(PhoneTexts::Repaired) + QLatin1Char(' ') + done.join(QStringLiteral("; ")) + QLatin1Char('.');
    if (!left.isEmpty())
        said += (said.isEmpty() ? QString() : QStringLiteral(" ")) + text(PhoneTexts::RepairPending) +
                QLatin1Char(' ') + left.join(QStringLiteral(", ")) + QLatin1Char('.');
    setStatus(1, said);
    return static_cast<int>(done.size());
}

bool PhoneLink::repairOne(const RepairRecord::Repair& repair)
{
    const QString folder = repair.folder + QLatin1Char('/');
    if (repair.kind == RepairRecord::Kind::DeletePartial) {
        const Outcome deleted = DeleteFile(repair.name, folder);
        // Refused: the phone has no such file, so no part of it either.
        return deleted == Outcome::Done || deleted == Outcome::Failed;
    }
    // Without its copy there is nothing to put back; the entry has done what it could.
    if (!QFileInfo(repair.copyPath).isFile())
        return true;
    const Outcome deleted = DeleteFile(repair.name, folder);
    if (deleted != Outcome::Done && deleted != Outcome::Failed)
        return false;
    UploadItem item;
    item.LocalPath = repair.copyPath;
    item.PhoneFolder = repair.folder;
    item.FileName = repair.name;
    item.FileSize = QFileInfo(repair.copyPath).size();
    return SendFile(item) == Outcome::Done;
}
