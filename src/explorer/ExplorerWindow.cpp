#include "ExplorerWindow.h"

#include "Accessibility.h"
#include "BusyControls.h"
#include "CommandGate.h"
#include "FileList.h"
#include "FolderDownloadCommand.h"
#include "FolderTree.h"
#include "Icons.h"
#include "JavaMenuCommand.h"
#include "LocalPane.h"
#include "MainMenus.h"
#include "PhoneKeeper.h"
#include "PhonePane.h"
#include "RowCommands.h"
#include "SessionSettings.h"
#include "SideWindows.h"
#include "StatusPanels.h"
#include "TransferRunner.h"
#include "UploadCommands.h"
#include "WindowLayout.h"
#include "dialogs/SettingsDialog.h"
#include "phone/DisplayName.h"
#include "phone/PhoneLink.h"
#include "platform/Folders.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsStore.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <utility>

namespace {

constexpr int kWorkingFolderUnprepared = 102;
constexpr int kQuitQuestion = 144;
constexpr int kUpCaption = 47;
constexpr int kFirmware = 435;
constexpr int kSerialNumber = 436;
constexpr int kPhoneBack = 622;
constexpr int kConnectedAgain = 623;
constexpr int kAnotherPhone = 624;
constexpr int kConnectedTo = 625;

} // namespace

ExplorerWindow::ExplorerWindow(SettingsStore& store, LanguageTable& texts, QWidget* parent)
    : QMainWindow(parent), store_(store), texts_(texts), session_(store, texts, *this)
{
    setObjectName(QStringLiteral("frmExplorer"));
    setWindowTitle(QStringLiteral("Vantrel"));
    setWindowIcon(Icons::application());
    link_ = std::make_unique<PhoneLink>(texts_, *this);
    status_ = new StatusPanels(*statusBar(), texts_);
    gate_ = std::make_unique<CommandGate>(*link_, texts_, *status_);
    phone_ = new PhonePane(*link_, texts_, *gate_, *status_, session_.values(), this);
    menus_ = new MainMenus(*this, texts_, phone_->favouriteActions());
    local_ = new LocalPane;
    local_->setObjectName(QStringLiteral("localPane"));
    layout_ = std::make_unique<WindowLayout>(*this, store_, *phone_, *local_);
    busy_ =
        std::make_unique<BusyControls>(*this, QList<QWidget*>{menus_->mainToolbar()} + phone_->controls());

    const CommandContext context{*link_, texts_, *gate_, *status_, *this};
    runner_ = std::make_unique<TransferRunner>(context);
    rows_ = std::make_unique<RowCommands>(context, *runner_, *phone_, *local_, working_);
    folders_ = std::make_unique<FolderDownloadCommand>(context, *runner_, *phone_, *local_);
    uploads_ = std::make_unique<UploadCommands>(context, *runner_, *phone_, *local_);
    java_ = std::make_unique<JavaMenuCommand>(context, *runner_, *phone_, *uploads_, *local_, working_);
    sideWindows_ = std::make_unique<SideWindows>(*link_, texts_, *this);
    keeper_ = new PhoneKeeper(*link_, texts_, *status_, this);
    wireCommands();
    setKeyboardOrder(*phone_, *local_);
    resize(1000, 680);
}

ExplorerWindow::~ExplorerWindow() = default;

void ExplorerWindow::wireCommands()
{
    connect(menus_, &MainMenus::refreshWanted, phone_, &PhonePane::RefreshCommand);
    connect(menus_, &MainMenus::downloadWanted, this, [this] { rows_->DownloadCommand(); });
    connect(menus_, &MainMenus::uploadWanted, this, [this] { uploads_->UploadCommand(); });
    connect(menus_, &MainMenus::deleteWanted, this, [this] { rows_->DeleteCommand(); });
    connect(menus_, &MainMenus::selectAllWanted, phone_, &PhonePane::selectAllRows);
    connect(menus_, &MainMenus::settingsWanted, this, &ExplorerWindow::SettingsCommand);
    connect(menus_, &MainMenus::javaWanted, this, [this] { java_->JavaCommand(); });
    connect(menus_, &MainMenus::aboutWanted, this, [this] { sideWindows_->AboutCommand(); });
    connect(menus_, &MainMenus::repairsWanted, this, [this] { sideWindows_->RepairsCommand(); });
    connect(menus_, &MainMenus::lineLogWanted, this, [this] { sideWindows_->LineLogCommand(); });
    connect(menus_, &MainMenus::exitWanted, this, &ExplorerWindow::ExitCommand);
    connect(menus_, &MainMenus::reconnectWanted, keeper_, &PhoneKeeper::ReconnectCommand);
    connect(keeper_, &PhoneKeeper::reconnectWanted, this, &ExplorerWindow::reconnect, Qt::QueuedConnection);

    connect(phone_, &PhonePane::folderDownloadWanted, this,
            [this](const QString& folder) { folders_->DownloadFolderCommand(folder); });
    connect(phone_, &PhonePane::rowsOpened, this, [this] { rows_->OpenSelectedRows(); });
    connect(phone_, &PhonePane::deleteWanted, this, [this] { rows_->DeleteCommand(); });
    connect(phone_, &PhonePane::selectionChanged, this, &ExplorerWindow::updateRowCommands);
    connect(phone_, &PhonePane::fileMenuWanted, this,
            [this](const QPoint& position) { menus_->fileOperations()->popup(position); });
    connect(
        phone_, &PhonePane::localPathsDropped, this,
        [this](const QStringList& paths) { uploads_->UploadDroppedPaths(paths); }, Qt::QueuedConnection);
    phone_->fileList()->setRowsDragData([this] { return rows_->rowsDragData(); });

    connect(local_, &LocalPane::navigationCompleted, this, [this](const QString& shown) {
        store_.write(QLatin1String(SettingsKeys::LastFolder), shown);
        store_.sync();
    });
    connect(
        local_, &LocalPane::phoneRowsDropped, this, [this] { rows_->DownloadCommand(); },
        Qt::QueuedConnection);
    connect(
        local_, &LocalPane::phoneFolderDropped, this,
        [this](const QString& folder) { folders_->DownloadFolderCommand(folder); }, Qt::QueuedConnection);

    connect(status_, &StatusPanels::stopClicked, this, [this] { runner_->StopCommand(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { runner_->StopCommand(); });
}

void ExplorerWindow::setRepairJournalFile(const QString& path)
{
    link_->journal().setFilePath(path);
}

bool ExplorerWindow::isCommandRunning() const
{
    return gate_->isCommandRunning();
}

const QList<UploadItem>& ExplorerWindow::uploadQueue() const
{
    return uploads_->queue();
}

void ExplorerWindow::StartUp()
{
    if (!loadSettingsAndLanguage())
        return;
    describeControls(texts_, *menus_, *phone_, *local_, *this);
    clearPhoneView();
    const bool opening = layout_->restore();
    show();
    // Shown, the window's frame may be known: the first fit only guessed it.
    if (opening)
        layout_->fitToScreen();
    repaint();

    status_->hideProgressBar();
    keeper_->stop();
    if (openPort())
        showPhone(QString());
}

bool ExplorerWindow::openPort()
{
    if (link_->OpenPort(session_.portName(), session_.portDevice()))
        return true;
    gate_->noteLineFailure(panelText(1));
    setPhoneCommandsEnabled(false);
    // A cable not plugged in yet comes back as a lost one does.
    keeper_->openFailed(session_.portDevice());
    return false;
}

// The line is open: what an earlier run left is put right before anything
// else, then the phone's folders are listed from the root, and down to
// `folder` when given.
void ExplorerWindow::showPhone(const QString& folder)
{
    setPhoneCommandsEnabled(true);
    link_->CarryOutRepairs();
    // Asked by the first exchange, which the repairs are.
    const PhoneIdentity& identity = link_->identity();
    status_->showPhone(identity.answered ? identity.modelOrPhone() : QString(), phoneDetails());
    keeper_->connected();
    const QString repaired = link_->repairReport();
    if (session_.values().chargeDisplayAsBoolean() && link_->ShowBatteryCharge().outcome == Outcome::Done)
        status_->showBattery();
    phone_->fileList()->setUpColumns();
    layout_->restoreFileColumns();
    phone_->ShowPhoneRoot();
    if (!folder.isEmpty())
        phone_->showFolder(folder);
    if (!repaired.isEmpty())
        statusText(1, repaired + QLatin1Char(' ') + panelText(1));
    // The phone's folders are where the work starts.
    phone_->folderTree()->setFocus();
}

// "ST60, firmware 21, serial number 3512…, /dev/ttyUSB0".
QString ExplorerWindow::phoneDetails() const
{
    const PhoneIdentity& identity = link_->identity();
    QStringList facts{identity.modelOrPhone()};
    if (!identity.firmware.isEmpty())
        facts << texts_.GetString(kFirmware) + QLatin1Char(' ') + identity.firmware;
    if (!identity.serial.isEmpty())
        facts << texts_.GetString(kSerialNumber) + QLatin1Char(' ') + identity.serial;
    facts << link_->device();
    return withVisibleControls(facts.join(QStringLiteral(", ")));
}

// The device is there again: the same phone comes back where the user was,
// another phone from its root; either way the status says which.
void ExplorerWindow::reconnect()
{
    if (link_->isOpen() || gate_->isClosing())
        return;
    // The watcher has stopped; a command still winding down must not cost the phone's return.
    if (gate_->isCommandRunning())
        return keeper_->openFailed(session_.portDevice());
    statusText(1, texts_.GetString(kPhoneBack));
    repaint();
    if (!openPort())
        return;
    // Which phone came back decides where it is shown (and whose repairs run).
    link_->IdentifyPhone();
    const PhoneKeeper::Back back = keeper_->reconnected();
    showPhone(back.folder);
    const int news = back.samePhone ? kConnectedAgain : (back.hadPhone ? kAnotherPhone : kConnectedTo);
    const QString said = texts_.GetString(news) + QLatin1Char(' ') +
                         withVisibleControls(link_->identity().shown()) + QLatin1Char('.');
    statusText(1, said + QLatin1Char(' ') + panelText(1));
}

// Settings and language again, with what follows from them.
bool ExplorerWindow::loadSettingsAndLanguage()
{
    session_.loadSettings();
    const Settings& settings = session_.values();
    link_->setTiming(PhoneLink::Timing::from(settings));
    link_->setDisplayCharge(settings.chargeDisplayOn());
    // Made once; a later start-up (Settings > OK) finds it as the window left it.
    link_->setTempFolder(working_.prepare());
    if (working_.path().isEmpty())
        session_.tellAfterLanguage(kWorkingFolderUnprepared);
    if (!local_->navigate(store_.read(QLatin1String(SettingsKeys::LastFolder))))
        local_->navigate(Folders::defaultLastFolder());
    if (const QString fatal = session_.loadLanguage(); !fatal.isEmpty()) {
        emit fatalLanguageError(fatal);
        return false;
    }
    // What the status says was said in the language before: it goes with it.
    if (session_.languageChanged())
        statusText(1, QString());
    ApplyLanguage();
    local_->buildDriveToolbar(texts_.GetString(kUpCaption));
    return true;
}

void ExplorerWindow::ApplyLanguage()
{
    menus_->ApplyLanguage();
    phone_->ApplyLanguage();
    local_->ApplyLanguage(texts_);
    status_->ApplyLanguage();
    sideWindows_->ApplyLanguage();
}

void ExplorerWindow::applySettingsKeepingTheLine()
{
    if (loadSettingsAndLanguage())
        applyBatteryRule();
}

void ExplorerWindow::applyBatteryRule()
{
    if (!session_.values().chargeDisplayOn())
        return status_->hideBattery();
    // Refused quietly while another exchange waits for the phone.
    if (link_->ShowBatteryCharge().outcome == Outcome::Done)
        status_->showBattery();
}

void ExplorerWindow::clearPhoneView()
{
    // Nothing the phone said before stays on show once it is out of reach.
    phone_->clear();
    status_->hideBattery();
    status_->showPhone(QString(), QString());
}

void ExplorerWindow::setPhoneCommandsEnabled(bool enabled)
{
    menus_->setPhoneCommandsEnabled(enabled);
    menus_->setReconnectEnabled(!enabled);
    phone_->setPhoneCommandsEnabled(enabled);
    updateRowCommands();
}

void ExplorerWindow::updateRowCommands()
{
    menus_->setRowCommandsEnabled(link_->isOpen() && phone_->hasSelectedRows());
}

QString ExplorerWindow::panelText(int panel) const
{
    return status_->text(panel);
}

void ExplorerWindow::statusText(int panel, const QString& text)
{
    status_->setText(panel, text);
}

void ExplorerWindow::busyChanged(bool busy)
{
    busy_->setBusy(busy);
    // A percentage of a read outside the window's transfers (the Java
    // manager's menu, say) does not outlive it.
    if (!busy && !status_->isTransferRunning())
        statusText(3, QString());
}

void ExplorerWindow::transferProgress(qint64 done, qint64 total)
{
    status_->progress(done, total);
}

void ExplorerWindow::batteryLevel(int level)
{
    status_->showBatteryLevel(level);
}

void ExplorerWindow::lineLost()
{
    gate_->noteLineFailure(panelText(1));
    const QString listed = phone_->listedFolder();
    clearPhoneView();
    setPhoneCommandsEnabled(false);
    keeper_->lineLost(link_->device(), listed);
}

void ExplorerWindow::message(const QString& text)
{
    QMessageBox::warning(this, QStringLiteral("Vantrel"), text);
}

void ExplorerWindow::SettingsCommand()
{
    if (gate_->refuseWhileBusy())
        return;
    const QString portBefore = session_.portDevice();
    {
        SettingsDialog dialog(store_, session_.values(), texts_, Folders::languageFolder(), this);
        // Find phone notes a late answer for the link, and does not open the port the link holds.
        dialog.setSurveyJournal(&link_->journal());
        if (link_->isOpen())
            dialog.setConnectedPhone(link_->device(), link_->identity());
        dialog.exec();
    }
    layout_->save();
    const bool samePort = link_->isOpen() && session_.portDevice() == portBefore;
    // A new port means a new phone, read from its root; otherwise the tree,
    // the list and the line stay as they are and the rest is applied.
    if (samePort)
        applySettingsKeepingTheLine();
    else
        StartUp();
}

void ExplorerWindow::ExitCommand()
{
    // Without a transfer File > Exit ends the program at once, as it always has;
    // otherwise it closes the window, which asks and tidies up.
    if (!status_->isTransferRunning() && !link_->isDraining()) {
        layout_->save();
        working_.remove();
        std::exit(0);
    }
    close();
}

bool ExplorerWindow::quitDespiteTransfer()
{
    return QMessageBox::question(this, QStringLiteral("Vantrel"), texts_.GetString(kQuitQuestion),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void ExplorerWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && link_->isOpen() &&
        !gate_->isClosing())
        QTimer::singleShot(0, this, &ExplorerWindow::applyBatteryRule);
}

void ExplorerWindow::closeEvent(QCloseEvent* event)
{
    // An exchange waiting for the phone ends first; the window closes once it
    // has. A transfer is stopped, tidily, only if the user agrees.
    if (link_->isExchangeRunning() || gate_->isCommandRunning()) {
        if (!gate_->isClosing()) {
            if (status_->isTransferRunning() && !quitDespiteTransfer()) {
                event->ignore();
                return;
            }
            gate_->setClosing();
            // Nothing waits for the phone: the next start brings the line back
            // in step and tidies up what the transfer left.
            link_->abandonLine();
        }
        event->ignore();
        QTimer::singleShot(50, this, &QWidget::close);
        return;
    }
    gate_->setClosing();
    layout_->save();
    shutdown();
    event->accept();
}

void ExplorerWindow::shutdown()
{
    working_.remove();
    link_->setTempFolder(QString());
    // What the phone may still send is the next start's to wait out.
    link_->ClosePort();
}
