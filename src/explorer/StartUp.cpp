#include "ExplorerWindow.h"
#include "FileList.h"
#include "LocalPane.h"
#include "phone/PhoneLink.h"
#include "platform/Folders.h"
#include "platform/PortNames.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTreeWidget>

#include <utility>

namespace {
constexpr int kSettingsUnreadable = 101;
constexpr int kWorkingFolderUnprepared = 102;
constexpr int kNoLine = 82;
} // namespace

void ExplorerWindow::StartUp()
{
    loadSettingsStep();
    if (!loadLanguageStep())
        return;
    ApplyLanguage();
    localPane_->buildDriveToolbar(texts_.GetString(47));
    describeControls();
    clearPhoneView();
    const bool opening = restoreWindowState();
    show();
    // Shown, the window's frame may be known: the first fit only guessed it.
    if (opening)
        fitToScreen();
    repaint();

    pgbMain_->hide();
    if (!openPortStep()) {
        lineFailure_ = panelText(1);
        setPhoneCommandsEnabled(false);
        return;
    }
    setPhoneCommandsEnabled(true);
    // What an earlier run left on the phone is put right before anything else.
    link_->CarryOutRepairs();
    const QString repaired = link_->repairReport();
    if (settings_.chargeDisplayAsBoolean() && link_->ShowBatteryCharge().outcome == Outcome::Done)
        picBattery_->show();
    setUpFileListColumns();
    NodeCounter = 0;
    ShowPhoneRoot();
    if (!repaired.isEmpty())
        statusText(1, repaired + QLatin1Char(' ') + panelText(1));
    // The phone's folders are where the work starts.
    tvFolders_->setFocus();
}

void ExplorerWindow::loadSettingsStep()
{
    const LoadSettingsResult loaded = LoadSettings(store_, Folders::defaultLastFolder());
    settings_ = loaded.values;
    link_->setTiming(PhoneLink::Timing::from(settings_));
    link_->setDisplayCharge(settings_.chargeDisplayOn());

    // At the first start no language is loaded yet; the message then waits for it.
    const bool tellNow = !texts_.GetString(kSettingsUnreadable).isEmpty();
    if (loaded.hadUnreadableValue && tellNow)
        QMessageBox::warning(this, QStringLiteral("Vantrel"), texts_.GetString(kSettingsUnreadable));
    settingsMessagePending_ = loaded.hadUnreadableValue && !tellNow;

    prepareWorkingFolder();
    workingFolderMessagePending_ = tempFolder_.isEmpty();
    if (!localPane_->navigate(store_.read(QLatin1String(SettingsKeys::LastFolder))))
        localPane_->navigate(Folders::defaultLastFolder());
}

// Made once; a later start-up (Settings > OK) finds it as the window left it,
// with what it still needs (files to open, the Java manager's suites).
void ExplorerWindow::prepareWorkingFolder()
{
    if (workingFolder_ && workingFolder_->isValid())
        return;
    const QString cache = cacheFolderOverride_.isEmpty() ? Folders::cacheFolder() : cacheFolderOverride_;
    // What windows that died left behind goes; a running window's folder stays.
    Folders::removeAbandonedScratchFolders(cache);
    workingFolder_ = std::make_unique<Folders::ScratchFolder>(cache);
    tempFolder_ = workingFolder_->isValid() ? workingFolder_->path() + QLatin1Char('/') : QString();
    link_->setTempFolder(tempFolder_);
}

void ExplorerWindow::removeWorkingFolder()
{
    workingFolder_.reset();
    tempFolder_.clear();
    link_->setTempFolder(tempFolder_);
}

bool ExplorerWindow::loadLanguageStep()
{
    const InterfaceLanguageResult language =
        LoadInterfaceLanguage(texts_, Folders::languageFolder(), settings_.LanguageFile);
    if (!language.fatalMessage.isEmpty()) {
        emit fatalLanguageError(language.fatalMessage);
        return false;
    }
    // What the status says was said in the language before: it goes with it.
    if (std::exchange(languageLoaded_, language.loadedPath) != language.loadedPath)
        statusText(1, QString());
    // A missing language is said once, not at every start-up run.
    if (!language.warning.isEmpty() && languageWarningShown_ != language.warning) {
        languageWarningShown_ = language.warning;
        QMessageBox::warning(this, QStringLiteral("Vantrel"), language.warning);
    }
    if (settingsMessagePending_) {
        settingsMessagePending_ = false;
        QMessageBox::warning(this, QStringLiteral("Vantrel"), texts_.GetString(kSettingsUnreadable));
    }
    if (workingFolderMessagePending_) {
        workingFolderMessagePending_ = false;
        QMessageBox::warning(this, QStringLiteral("Vantrel"), texts_.GetString(kWorkingFolderUnprepared));
    }
    return true;
}

bool ExplorerWindow::openPortStep()
{
    return link_->OpenPort(QStringLiteral("COM%1").arg(settings_.COMPort), portDevice());
}

QString ExplorerWindow::portDevice() const
{
    const int port = settings_.COMPort;
    return resolvePortDevice(store_.readPortDevice(port), port);
}

void ExplorerWindow::applySettingsKeepingTheLine()
{
    loadSettingsStep();
    if (!loadLanguageStep())
        return;
    ApplyLanguage();
    localPane_->buildDriveToolbar(texts_.GetString(47));
    applyBatteryRule();
}

void ExplorerWindow::setUpFileListColumns()
{
    lstFiles_->clear();
    lstFiles_->setHeaderHidden(false);
    lstFiles_->setColumnCount(3);
    lstFiles_->setColumnWidth(0, 2250 / 15);
    lstFiles_->setColumnWidth(1, 2250 / 15);
    lstFiles_->setColumnWidth(2, 750 / 15);
    lstFiles_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The name takes the room the window has beyond the three designed widths.
    lstFiles_->header()->setStretchLastSection(false);
    lstFiles_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    // Sizes of several hundred KB must show whole.
    lstFiles_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    lstFiles_->header()->setMinimumSectionSize(750 / 15);
    restoreFileColumns();
}

void ExplorerWindow::clearPhoneView()
{
    // Nothing the phone said before stays on show once it is out of reach.
    tvFolders_->clear();
    nodes_.clear();
    for (QString* key : {&JavaNodeKey, &MlNodeKey, &ImNodeKey, &RiNodeKey, &CiNodeKey, &VdNodeKey})
        key->clear();
    lstFiles_->clear();
    // Cleared from inside the port's error report the view does not always
    // repaint by itself (seen under a window manager): stale rows would stay.
    lstFiles_->viewport()->update();
    listedFolder_.clear();
    listedKey_.clear();
    picBattery_->hide();
    statusText(2, QString());
}

void ExplorerWindow::setPhoneCommandsEnabled(bool enabled)
{
    for (QAction* action : {mainButtons_[0], mnuFUpload_, actUpload_, mnuTRefresh_, mnuTDownloadFolder_})
        action->setEnabled(enabled);
    for (QAction* action : favButtons_)
        action->setEnabled(enabled);
    updateRowCommands();
}

void ExplorerWindow::updateRowCommands()
{
    // Download and Delete act on rows: without one chosen there is nothing to do.
    const bool rowsChosen = link_->isOpen() && !lstFiles_->selectedItems().isEmpty();
    for (QAction* action : {mainButtons_[2], mainButtons_[3], mnuFDownload_, mnuFDelete_})
        action->setEnabled(rowsChosen);
}

bool ExplorerWindow::refuseWithoutLine()
{
    if (link_->isOpen())
        return false;
    // The reason and the way back stay in view beside the refusal.
    statusText(1, texts_.GetString(kNoLine) + QLatin1Char(' ') + lineFailure_);
    QApplication::beep();
    return true;
}

void ExplorerWindow::applyBatteryRule()
{
    if (!settings_.chargeDisplayOn()) {
        statusText(2, QString());
        picBattery_->hide();
        return;
    }
    // Refused quietly while another exchange waits for the phone.
    if (link_->ShowBatteryCharge().outcome == Outcome::Done)
        picBattery_->show();
}

void ExplorerWindow::shutdown()
{
    removeWorkingFolder();
    // What the phone may still send is the next start's to wait out.
    link_->ClosePort();
}
