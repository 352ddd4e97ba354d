#include "ExplorerWindow.h"

#include "Accessibility.h"
#include "CommandGate.h"
#include "FileList.h"
#include "FolderDownloadCommand.h"
#include "FolderTree.h"
#include "GripSplitter.h"
#include "Icons.h"
#include "JavaMenuCommand.h"
#include "LineLogWindow.h"
#include "LocalPane.h"
#include "MainMenus.h"
#include "PhonePane.h"
#include "RowCommands.h"
#include "StatusPanels.h"
#include "TransferRunner.h"
#include "Twips.h"
#include "UploadCommands.h"
#include "WindowLayout.h"
#include "dialogs/AboutBox.h"
#include "dialogs/RepairsDialog.h"
#include "dialogs/SettingsDialog.h"
#include "phone/PhoneLink.h"
#include "platform/Folders.h"
#include "platform/PortNames.h"
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

constexpr int kMinimumWidth = twips(9600);
constexpr int kMinimumHeight = twips(7200);
constexpr int kRightColumnFloor = twips(3000);
constexpr int kSettingsUnreadable = 101;
constexpr int kWorkingFolderUnprepared = 102;
constexpr int kQuitQuestion = 144;
constexpr int kUpCaption = 47;

} // namespace

ExplorerWindow::ExplorerWindow(SettingsStore& store, LanguageTable& texts, QWidget* parent)
    : QMainWindow(parent), store_(store), texts_(texts)
{
    setObjectName(QStringLiteral("frmExplorer"));
    setWindowTitle(QStringLiteral("Vantrel"));
    setWindowIcon(Icons::application());
    link_ = std::make_unique<PhoneLink>(texts_, *this);
    status_ = new StatusPanels(*statusBar(), texts_);
    gate_ = std::make_unique<CommandGate>(*link_, texts_, *status_);
    phone_ = new PhonePane(*link_, texts_, *gate_, *status_, settings_, this);
    menus_ = new MainMenus(*this, texts_, phone_->favouriteActions());
    buildCentre();

    const CommandContext context{*link_, texts_, *gate_, *status_, *this};
    runner_ = std::make_unique<TransferRunner>(context);
    rows_ = std::make_unique<RowCommands>(context, *runner_, *phone_, *local_, working_);
    folders_ = std::make_unique<FolderDownloadCommand>(context, *runner_, *phone_, *local_);
    uploads_ = std::make_unique<UploadCommands>(context, *runner_, *phone_, *local_);
    java_ = std::make_unique<JavaMenuCommand>(context, *runner_, *phone_, *uploads_, *local_, working_);
    wireCommands();
    setKeyboardOrder(*phone_, *local_);
    resize(1000, 680);
}

ExplorerWindow::~ExplorerWindow() = default;

void ExplorerWindow::buildCentre()
{
    local_ = new LocalPane;
    local_->setObjectName(QStringLiteral("localPane"));
    // Below the bar the pane keeps room down to 4000 twips above the window's bottom.
    local_->setMinimumHeight(twips(4000) - 40);

    auto* rightColumn = new GripSplitter(Qt::Vertical);
    rightColumn->setObjectName(QStringLiteral("rightColumn"));
    rightColumn->setOpaqueResize(false);
    rightColumn->setChildrenCollapsible(false);
    rightColumn->addWidget(phone_->fileList());
    rightColumn->addWidget(local_);
    rightColumn->setStretchFactor(0, 2);
    rightColumn->setStretchFactor(1, 3);
    rightColumn->handle(1)->setObjectName(QStringLiteral("picResizeVert"));
    rightColumn->setMinimumWidth(kRightColumnFloor);

    auto* columns = new GripSplitter(Qt::Horizontal);
    columns->setObjectName(QStringLiteral("columns"));
    // The bar moves alone; the panes follow when it is released.
    columns->setOpaqueResize(false);
    columns->setChildrenCollapsible(false);
    columns->addWidget(phone_->leftColumn());
    columns->addWidget(rightColumn);
    columns->setStretchFactor(1, 1);
    columns->setSizes({twips(3180), 800});
    columns->handle(1)->setObjectName(QStringLiteral("picResizeHorz"));
    setCentralWidget(columns);

    const QSize designedMinimum(kMinimumWidth, kMinimumHeight);
    setMinimumSize(designedMinimum);
    layout_ = std::make_unique<WindowLayout>(*this, store_, *columns, *rightColumn, *phone_, *local_,
                                             designedMinimum);
}

void ExplorerWindow::wireCommands()
{
    connect(menus_, &MainMenus::refreshWanted, phone_, &PhonePane::RefreshCommand);
    connect(menus_, &MainMenus::downloadWanted, this, [this] { rows_->DownloadCommand(); });
    connect(menus_, &MainMenus::uploadWanted, this, [this] { uploads_->UploadCommand(); });
    connect(menus_, &MainMenus::deleteWanted, this, [this] { rows_->DeleteCommand(); });
    connect(menus_, &MainMenus::selectAllWanted, phone_, &PhonePane::selectAllRows);
    connect(menus_, &MainMenus::settingsWanted, this, &ExplorerWindow::SettingsCommand);
    connect(menus_, &MainMenus::javaWanted, this, [this] { java_->JavaCommand(); });
    connect(menus_, &MainMenus::aboutWanted, this, &ExplorerWindow::AboutCommand);
    connect(menus_, &MainMenus::repairsWanted, this, &ExplorerWindow::RepairsCommand);
    connect(menus_, &MainMenus::lineLogWanted, this, &ExplorerWindow::LineLogCommand);
    connect(menus_, &MainMenus::exitWanted, this, &ExplorerWindow::ExitCommand);

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
    connect(local_, &LocalPane::phoneRowsDropped, this, [this] { rows_->DownloadCommand(); }, Qt::QueuedConnection);
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
    loadSettingsStep();
    if (!loadLanguageStep())
        return;
    ApplyLanguage();
    local_->buildDriveToolbar(texts_.GetString(kUpCaption));
    describeControls(texts_, *menus_, *phone_, *local_, *this);
    clearPhoneView();
    const bool opening = layout_->restore();
    show();
    // Shown, the window's frame may be known: the first fit only guessed it.
    if (opening)
        layout_->fitToScreen();
    repaint();

    status_->hideProgressBar();
    if (!openPortStep()) {
        gate_->noteLineFailure(panelText(1));
        setPhoneCommandsEnabled(false);
        return;
    }
    setPhoneCommandsEnabled(true);
    // What an earlier run left on the phone is put right before anything else.
    link_->CarryOutRepairs();
    const QString repaired = link_->repairReport();
    if (settings_.chargeDisplayAsBoolean() && link_->ShowBatteryCharge().outcome == Outcome::Done)
        status_->showBattery();
    phone_->setUpColumns();
    layout_->restoreFileColumns();
    phone_->ShowPhoneRoot();
    if (!repaired.isEmpty())
        statusText(1, repaired + QLatin1Char(' ') + panelText(1));
    // The phone's folders are where the work starts.
    phone_->folderTree()->setFocus();
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

    // Made once; a later start-up (Settings > OK) finds it as the window left it.
    link_->setTempFolder(working_.prepare());
    workingFolderMessagePending_ = working_.path().isEmpty();
    if (!local_->navigate(store_.read(QLatin1String(SettingsKeys::LastFolder))))
        local_->navigate(Folders::defaultLastFolder());
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
    showPendingMessages();
    return true;
}

void ExplorerWindow::showPendingMessages()
{
    if (std::exchange(settingsMessagePending_, false))
        QMessageBox::warning(this, QStringLiteral("Vantrel"), texts_.GetString(kSettingsUnreadable));
    if (std::exchange(workingFolderMessagePending_, false))
        QMessageBox::warning(this, QStringLiteral("Vantrel"), texts_.GetString(kWorkingFolderUnprepared));
}

void ExplorerWindow::ApplyLanguage()
{
    menus_->ApplyLanguage();
    phone_->ApplyLanguage();
    local_->ApplyLanguage(texts_);
    status_->ApplyLanguage();
    if (lineLog_)
        lineLog_->ApplyLanguage();
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
    local_->buildDriveToolbar(texts_.GetString(kUpCaption));
    applyBatteryRule();
}

void ExplorerWindow::applyBatteryRule()
{
    if (!settings_.chargeDisplayOn())
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
}

void ExplorerWindow::setPhoneCommandsEnabled(bool enabled)
{
    menus_->setPhoneCommandsEnabled(enabled);
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
    const QList<QWidget*> controls = QList<QWidget*>{menus_->mainToolbar()} + phone_->controls();
    if (busy) {
        // Disabling would pass the keyboard focus on (into the address box, with
        // its text selected, ready for the next Delete key), and so would the
        // window system activating the window meanwhile. The window itself holds
        // the focus until the phone is done, then it returns where it was. The
        // window's own focus child counts even while another window is active.
        focusBeforeBusy_ = focusWidget();
        for (QWidget* control : controls) {
            if (focusBeforeBusy_ && (focusBeforeBusy_ == control || control->isAncestorOf(focusBeforeBusy_)))
                setFocus(Qt::OtherFocusReason);
        }
    }
    // DisableControls / EnableControls, in their order.
    for (QWidget* control : controls)
        control->setEnabled(!busy);
    if (busy) {
        setCursor(Qt::BusyCursor);
        return;
    }
    unsetCursor();
    if (focusBeforeBusy_ && focusBeforeBusy_->isEnabled() && (!focusWidget() || focusWidget() == this))
        focusBeforeBusy_->setFocus(Qt::OtherFocusReason);
    // A percentage of a read outside the window's transfers (the Java
    // manager's menu, say) does not outlive it.
    if (!status_->isTransferRunning())
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
    clearPhoneView();
    setPhoneCommandsEnabled(false);
}

void ExplorerWindow::message(const QString& text)
{
    QMessageBox::warning(this, QStringLiteral("Vantrel"), text);
}

void ExplorerWindow::SettingsCommand()
{
    if (gate_->refuseWhileBusy())
        return;
    const QString portBefore = portDevice();
    {
        SettingsDialog dialog(store_, settings_, texts_, Folders::languageFolder(), this);
        dialog.exec();
    }
    layout_->save();
    const bool samePort = link_->isOpen() && portDevice() == portBefore;
    // A new port means a new phone, read from its root; otherwise the tree,
    // the list and the line stay as they are and the rest is applied.
    if (samePort)
        applySettingsKeepingTheLine();
    else
        StartUp();
}

void ExplorerWindow::AboutCommand()
{
    AboutBox about(texts_, this);
    about.exec();
}

void ExplorerWindow::LineLogCommand()
{
    if (!lineLog_)
        lineLog_ = new LineLogWindow(*link_, texts_, this);
    lineLog_->show();
    lineLog_->raise();
    lineLog_->activateWindow();
}

void ExplorerWindow::RepairsCommand()
{
    RepairsDialog dialog(link_->journal(), texts_, this);
    dialog.exec();
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
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && link_->isOpen() && !gate_->isClosing())
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
