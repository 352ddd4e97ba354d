#include "ExplorerWindow.h"
#include "phone/PhoneLink.h"
#include "phone/RepairRecord.h"
#include "settings/LanguageTable.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

constexpr int kPutBack = 460;
constexpr int kCopyKeptIn = 461;
constexpr int kNotKept = 462;
constexpr int kPutBackLater = 464;

// Copies of phone files being replaced live beside the repair record that names them.
QString keptCopiesFolder(const RepairRecord& record)
{
    return QFileInfo(record.filePath()).absolutePath() + QStringLiteral("/replaced");
}

} // namespace

std::optional<ExplorerWindow::KeptFile> ExplorerWindow::keepPhoneFile(const UploadItem& item)
{
    QDir().mkpath(keptCopiesFolder(repairs_));
    // A folder of its own: files of one name from several phone folders do not meet.
    QTemporaryDir folder(keptCopiesFolder(repairs_) + QStringLiteral("/XXXXXX"));
    folder.setAutoRemove(false);
    const Outcome outcome =
        folder.isValid() ? link_->ReadFile(item.PhoneFolder, item.FileName, folder.path()) : Outcome::Failed;
    if (outcome != Outcome::Done) {
        QDir(folder.path()).removeRecursively();
        noteStop(outcome);
        if (outcome != Outcome::Stopped && outcome != Outcome::Cancelled && outcome != Outcome::LineLost) {
            statusText(1, texts_.GetString(kNotKept) + QLatin1Char(' ') + item.FileName + QLatin1Char('.'));
            noteFailure(panelText(1));
        }
        return std::nullopt;
    }
    KeptFile kept;
    kept.copyPath = QDir(folder.path()).filePath(item.FileName);
    RepairRecord::Repair repair;
    repair.kind = RepairRecord::Kind::RestoreFile;
    repair.folder = item.PhoneFolder;
    repair.name = item.FileName;
    repair.copyPath = kept.copyPath;
    kept.repairId = repairs_.add(repair);
    return kept;
}

void ExplorerWindow::dropKeptFile(const KeptFile& kept)
{
    if (!kept.repairId.isEmpty())
        repairs_.remove(kept.repairId);
    QDir(QFileInfo(kept.copyPath).absolutePath()).removeRecursively();
}

void ExplorerWindow::settleKeptFile(const KeptFile& kept, const UploadItem& item, Outcome outcome)
{
    if (outcome == Outcome::Done || outcome == Outcome::NotRun)
        return dropKeptFile(kept);
    // What the upload said (why it ended, what became of its part) stays in front.
    const QString said = panelText(1);
    Outcome restored = Outcome::NotRun;
    if (link_->isOpen() && outcome != Outcome::Cancelled) {
        UploadItem back = item;
        back.LocalPath = kept.copyPath;
        back.FileSize = QFileInfo(kept.copyPath).size();
        link_->forgetStop();
        restored = link_->SendFile(back);
    }
    if (restored == Outcome::Done) {
        dropKeptFile(kept);
        statusText(1, said + QLatin1Char(' ') + texts_.GetString(kPutBack) + QLatin1Char(' ') +
                          item.FileName + QLatin1Char('.'));
    } else {
        statusText(1, said + QLatin1Char(' ') + texts_.GetString(kCopyKeptIn) + QLatin1Char(' ') +
                          QDir::toNativeSeparators(kept.copyPath) + QStringLiteral(". ") +
                          texts_.GetString(kPutBackLater));
    }
    if (outcome == Outcome::Stopped)
        stopReport_ = panelText(1);
}
