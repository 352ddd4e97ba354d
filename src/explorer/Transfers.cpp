#include "ExplorerWindow.h"
#include "FileList.h"
#include "TransferStatus.h"
#include "phone/DisplayName.h"
#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"
#include "settings/SizeText.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

namespace {

constexpr int kCancel = 12;
constexpr int kQuitQuestion = 144;
constexpr int kExistsAlready = 145;
constexpr int kOverwrite = 146;
constexpr int kSkip = 147;
constexpr int kOverwriteAll = 148;
constexpr int kStopped = 141;
constexpr int kStoppedTooLate = 530;
constexpr int kNameRole = Qt::UserRole + 2;
constexpr int kKeptBeforeReplacing = 463;
constexpr int kOnThePhone = 465;
constexpr int kInTheFolder = 466;
constexpr int kFileThere = 467;
constexpr int kNewFile = 468;
constexpr int kReplaceIt = 469;
// Progress bar steps: fine enough for a smooth bar, whole for the last byte.
constexpr int kProgressSteps = 1000;

} // namespace

void ExplorerWindow::StopCommand()
{
    if (!transferStatus_->isRunning() || commandStopped_)
        return;
    commandStopped_ = true;
    link_->stopTransfer();
}

void ExplorerWindow::ExitCommand()
{
    // Without a transfer File > Exit ends the program at once, as it always has;
    // otherwise it closes the window, which asks and tidies up.
    if (!transferStatus_->isRunning() && !link_->isDraining()) {
        saveWindowState();
        removeWorkingFolder();
        std::exit(0);
    }
    close();
}

bool ExplorerWindow::quitDespiteTransfer()
{
    return QMessageBox::question(this, QStringLiteral("Vantrel"), texts_.GetString(kQuitQuestion),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

bool ExplorerWindow::commandEnded() const
{
    return closing_ || commandStopped_;
}

QString ExplorerWindow::replaceQuestionText(const ReplaceQuestion& question) const
{
    const SizeUnits units = sizeUnitsOf(texts_);
    auto describe = [&](int label, qint64 size, const QDateTime& date) {
        QStringList facts;
        if (size >= 0)
            facts << sizeInUnits(size, units);
        if (date.isValid())
            facts << units.locale.toString(date, QLocale::ShortFormat);
        return facts.isEmpty()
                   ? QString()
                   : texts_.GetString(label) + QLatin1Char(' ') + facts.join(QStringLiteral(", "));
    };
    // Where the file lies is not always known (deep in a folder copy): the plain question then.
    if (question.folder.isEmpty())
        return question.name + QLatin1Char(' ') + texts_.GetString(kExistsAlready);
    QStringList lines{question.name + QLatin1Char(' ') +
                      texts_.GetString(question.onPhone ? kOnThePhone : kInTheFolder) + QLatin1Char(' ') +
                      question.folder + QLatin1Char('.')};
    const QStringList files{describe(kFileThere, question.thereSize, question.thereDate),
                            describe(kNewFile, question.newSize, question.newDate)};
    if (!files.join(QString()).isEmpty())
        lines << QString() << files;
    if (question.onPhone)
        lines << QString() << texts_.GetString(kKeptBeforeReplacing);
    lines << QString() << texts_.GetString(kReplaceIt);
    return lines.join(QLatin1Char('\n'));
}

ExplorerWindow::ReplaceQuestion ExplorerWindow::uploadQuestion(const UploadItem& item) const
{
    ReplaceQuestion question;
    question.name = item.FileName;
    question.onPhone = true;
    question.folder = item.PhoneFolder + QLatin1Char('/');
    for (int i = 0; i < lstFiles_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = lstFiles_->topLevelItem(i);
        if (row->data(0, kNameRole).toString() == item.FileName)
            question.thereSize = row->data(2, FileRow::BytesRole).toLongLong();
    }
    const QFileInfo source(item.LocalPath);
    question.newSize = source.size();
    question.newDate = source.lastModified();
    return question;
}

ExplorerWindow::ReplaceQuestion
ExplorerWindow::downloadQuestion(const QString& name, const QString& localFolder, qint64 phoneSize) const
{
    ReplaceQuestion question;
    question.name = name;
    question.folder = QDir::toNativeSeparators(localFolder);
    const QFileInfo there(QDir(localFolder).filePath(name));
    question.thereSize = there.size();
    question.thereDate = there.lastModified();
    question.newSize = phoneSize;
    return question;
}

ExplorerWindow::Overwrite ExplorerWindow::askOverwrite(const ReplaceQuestion& question)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vantrel"), replaceQuestionText(question),
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("msgOverwrite"));
    const std::pair<const char*, int> buttons[] = {{"cmdOverwrite", kOverwrite},
                                                   {"cmdSkip", kSkip},
                                                   {"cmdOverwriteAll", kOverwriteAll},
                                                   {"cmdCancel", kCancel}};
    QList<QPushButton*> added;
    for (const auto& [name, text] : buttons) {
        const QMessageBox::ButtonRole role =
            text == kCancel ? QMessageBox::RejectRole
                            : (text == kSkip ? QMessageBox::NoRole : QMessageBox::AcceptRole);
        QPushButton* button = box.addButton(texts_.GetString(text), role);
        button->setObjectName(QLatin1String(name));
        added << button;
    }
    box.setDefaultButton(added.at(1));
    box.setEscapeButton(added.at(3));
    box.exec();
    const qsizetype chosen = added.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    const Overwrite answers[] = {Overwrite::Yes, Overwrite::Skip, Overwrite::All, Overwrite::Cancel};
    return chosen < 0 ? Overwrite::Cancel : answers[chosen];
}

bool ExplorerWindow::mayReplace(const ReplaceQuestion& question)
{
    if (overwriteAll_)
        return true;
    switch (askOverwrite(question)) {
    case Overwrite::Yes:
        return true;
    case Overwrite::All:
        overwriteAll_ = true;
        return true;
    case Overwrite::Skip:
        ++skippedFiles_;
        return false;
    case Overwrite::Cancel:
        break;
    }
    commandStopped_ = true;
    return false;
}

void ExplorerWindow::sayStopped()
{
    if (closing_)
        return;
    if (stopReport_.isEmpty())
        stopReport_ = texts_.GetString(kStopped);
    statusText(1, stopReport_);
}

bool ExplorerWindow::phoneFolderLists(const UploadItem& item) const
{
    // What the list shows is what the phone folder held when it was listed.
    if (item.PhoneFolder + QLatin1Char('/') != listedFolder_ &&
        !(item.PhoneFolder.isEmpty() && listedFolder_ == QLatin1String("/")))
        return false;
    for (int i = 0; i < lstFiles_->topLevelItemCount(); ++i) {
        if (lstFiles_->topLevelItem(i)->data(0, kNameRole).toString() == item.FileName)
            return true;
    }
    return false;
}

void ExplorerWindow::beginTransferOf(int fileNumber, int fileCount)
{
    transferStatus_->beginFile(fileNumber, fileCount);
    pgbMain_->setRange(0, kProgressSteps);
    pgbMain_->setValue(0);
    pgbMain_->show();
}

void ExplorerWindow::endTransfers()
{
    transferStatus_->finish();
    pgbMain_->hide();
    statusText(3, QString());
}

void ExplorerWindow::noteStop(Outcome outcome)
{
    if (outcome != Outcome::Stopped)
        return;
    commandStopped_ = true;
    // Said by the link, with what became of a partial copy; kept past the re-listing.
    stopReport_ = panelText(1);
}

// A Stop during the last slice comes after the slice has gone: the phone
// holds the new file whole (and the file it replaced is gone), not the old one.
void ExplorerWindow::noteStopTooLate(const QString& name)
{
    stopReport_ =
        texts_.GetString(kStoppedTooLate) + QLatin1Char(' ') + withVisibleControls(name) + QLatin1Char('.');
}

void ExplorerWindow::transferProgress(qint64 done, qint64 total)
{
    transferStatus_->progress(done, total);
    if (total < 0) {
        // Size not announced yet: a bar that only says "working".
        pgbMain_->setRange(0, 0);
        return;
    }
    pgbMain_->setRange(0, kProgressSteps);
    pgbMain_->setValue(total > 0 ? static_cast<int>(done * kProgressSteps / total) : kProgressSteps);
}
