#include "ExplorerWindow.h"

#include "ElidedLabel.h"
#include "FileList.h"
#include "FolderTree.h"
#include "GripSplitter.h"
#include "Icons.h"
#include "LocalPane.h"
#include "TransferStatus.h"
#include "javawindow/JavaWindow.h"
#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Lengths of the window's design, in twips; 15 twips make a pixel.
constexpr int twips(int value)
{
    return value / 15;
}

constexpr int kMinimumWidth = twips(9600);
constexpr int kMinimumHeight = twips(7200);
constexpr int kLeftColumnFloor = twips(2000);
constexpr int kRightColumnFloor = twips(3000);
// Panel 1 grows from its floor with the window; the smallest window still shows all three.
constexpr int kStatusPanel1Floor = twips(4000);
constexpr int kStatusPanel2 = twips(1000);
constexpr int kStatusPanel3 = twips(3000);
constexpr int kProgressShortOfPanel3 = twips(1024);
constexpr int kRefreshMenuText = 484;
constexpr int kSettingsMenuText = 556;
constexpr int kJavaMenuText = 557;
constexpr int kFirstFavouriteMenuText = 558;
// The progress panel at its narrowest: a bar still worth looking at beside the percentage.
constexpr int kProgressPanelFloor = kProgressShortOfPanel3 + twips(900);

// Hands `room` out to the asks in their order: each gets what it asks for, or what is left.
QList<int> shareOut(int room, const QList<int>& asks)
{
    QList<int> given;
    for (const int ask : asks) {
        given << qBound(0, ask, room);
        room -= given.constLast();
    }
    return given;
}

void nameToolButton(QToolBar* bar, QAction* action, const QString& name)
{
    action->setObjectName(name);
    if (QWidget* button = bar->widgetForAction(action))
        button->setObjectName(name);
}

} // namespace

ExplorerWindow::ExplorerWindow(SettingsStore& store, LanguageTable& texts, QWidget* parent)
    : QMainWindow(parent), store_(store), texts_(texts)
{
    setObjectName(QStringLiteral("frmExplorer"));
    setWindowTitle(QStringLiteral("Vantrel"));
    setWindowIcon(Icons::application());
    link_ = std::make_unique<PhoneLink>(texts_, *this);

    buildMenus();
    buildToolbars();
    buildCentre();
    buildStatusBar();
    buildKeysAndMenus();
    setKeyboardOrder();
    designedMinimum_ = QSize(kMinimumWidth, kMinimumHeight);
    setMinimumSize(designedMinimum_);
    resize(1000, 680);
}

ExplorerWindow::~ExplorerWindow() = default;

void ExplorerWindow::buildMenus()
{
    mnuFile_ = menuBar()->addMenu(QString());
    mnuFile_->setObjectName(QStringLiteral("mnuFile"));
    mnuFileExit_ = mnuFile_->addAction(QString(), this, &ExplorerWindow::ExitCommand);
    mnuFileExit_->setObjectName(QStringLiteral("mnuFileExit"));
    mnuHelp_ = menuBar()->addMenu(QString());
    mnuHelp_->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpAbout_ = mnuHelp_->addAction(QString(), this, &ExplorerWindow::AboutCommand);
    mnuHelpAbout_->setObjectName(QStringLiteral("mnuHelpAbout"));

    mnuFileOp_ = new QMenu(this);
    mnuFileOp_->setObjectName(QStringLiteral("mnuFileOp"));
    mnuFDownload_ = mnuFileOp_->addAction(Icons::command(Icons::Command::Download), QString(), this,
                                          &ExplorerWindow::DownloadCommand);
    mnuFDownload_->setObjectName(QStringLiteral("mnuFDownload"));
    mnuFDelete_ = mnuFileOp_->addAction(Icons::command(Icons::Command::Delete), QString(), this,
                                        &ExplorerWindow::DeleteCommand);
    mnuFDelete_->setObjectName(QStringLiteral("mnuFDelete"));
}

void ExplorerWindow::buildToolbars()
{
    tlbMain_ = addToolBar(QStringLiteral("tlbMain"));
    tlbMain_->setObjectName(QStringLiteral("tlbMain"));
    tlbMain_->setMovable(false);
    // The window's own menu would offer to hide it, under its internal name.
    tlbMain_->setContextMenuPolicy(Qt::PreventContextMenu);
    tlbMain_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tlbMain_->setIconSize(QSize(24, 24));
    struct Button
    {
        const char* name;
        Icons::Command icon;
        void (ExplorerWindow::*command)();
    };
    const Button buttons[] = {
        {"tlbMain_Refresh", Icons::Command::Refresh, &ExplorerWindow::RefreshCommand},
        {nullptr, {}, nullptr},
        {"tlbMain_Download", Icons::Command::Download, &ExplorerWindow::DownloadCommand},
        {"tlbMain_Delete", Icons::Command::Delete, &ExplorerWindow::DeleteCommand},
        {nullptr, {}, nullptr},
        {"tlbMain_Settings", Icons::Command::Settings, &ExplorerWindow::SettingsCommand},
        {"tlbMain_Java", Icons::Command::Java, &ExplorerWindow::JavaCommand},
        {"tlbMain_About", Icons::Command::About, &ExplorerWindow::AboutCommand},
    };
    for (const Button& button : buttons) {
        if (!button.name) {
            mainButtons_ << tlbMain_->addSeparator();
            continue;
        }
        QAction* action = tlbMain_->addAction(Icons::command(button.icon), QString());
        if (button.command == &ExplorerWindow::DownloadCommand)
            connect(action, &QAction::triggered, this, [this] {
                OpenAfterDownload = false;
                DownloadCommand();
            });
        else
            connect(action, &QAction::triggered, this, button.command);
        nameToolButton(tlbMain_, action, QLatin1String(button.name));
        mainButtons_ << action;
    }
}

QWidget* ExplorerWindow::buildLeftColumn()
{
    auto* column = new QWidget;
    tlbFav_ = new QToolBar(column);
    tlbFav_->setObjectName(QStringLiteral("tlbFav"));
    tlbFav_->setIconSize(QSize(20, 20));
    const int images[] = {2, 10, 3, 5, 8};
    for (int button = 1; button <= 5; ++button) {
        QAction* action = tlbFav_->addAction(Icons::treeNode(images[button - 1]), QString(), this,
                                             [this, button] { FavouriteCommand(button); });
        nameToolButton(tlbFav_, action, QStringLiteral("tlbFav_%1").arg(button));
        favButtons_ << action;
    }
    auto* tree = new FolderTree(column);
    tvFolders_ = tree;
    tvFolders_->setObjectName(QStringLiteral("tvFolders"));
    tvFolders_->setHeaderHidden(true);
    tvFolders_->setIconSize(QSize(20, 20));
    connect(tvFolders_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node) { FolderClick(node); });
    // Opening a folder not yet listed lists it: that is where its sub-folders come from.
    connect(tvFolders_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* node) {
        if (node->childCount() == 0 && !isCommandRunning()) {
            const QString key = node->data(0, Qt::UserRole).toString();
            QTimer::singleShot(0, this, [this, key] { FolderClick(nodeByKey(key)); });
        }
    });
    connect(tree, &FolderTree::folderReachedByKeyboard, this, [this](QTreeWidgetItem* node) {
        // Listed once the key press is done; a node gone by then is skipped.
        const QString key = node->data(0, Qt::UserRole).toString();
        QTimer::singleShot(0, this, [this, key] { listFolderReachedByKeyboard(key); });
    });

    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(tlbFav_);
    layout->addWidget(tvFolders_, 1);
    column->setMinimumWidth(kLeftColumnFloor);
    return column;
}

void ExplorerWindow::buildCentre()
{
    lstFiles_ = new FileList;
    lstFiles_->setObjectName(QStringLiteral("lstFiles"));
    lstFiles_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstFiles_->setContextMenuPolicy(Qt::CustomContextMenu);
    lstFiles_->header()->setSectionsClickable(true);
    lstFiles_->setMinimumHeight(twips(2000 - 900));
    // No columns until a start-up has reached the phone.
    lstFiles_->setHeaderHidden(true);
    connect(lstFiles_, &QWidget::customContextMenuRequested, this, &ExplorerWindow::showFileMenu);
    connect(lstFiles_->header(), &QHeaderView::sectionClicked, this, &ExplorerWindow::sortByColumn);
    connect(lstFiles_, &QTreeWidget::itemDoubleClicked, this, [this] { OpenSelectedRows(); });
    connect(lstFiles_, &FileList::localPathsDropped, this, &ExplorerWindow::UploadDroppedPaths,
            Qt::QueuedConnection);

    localPane_ = new LocalPane;
    localPane_->setObjectName(QStringLiteral("localPane"));
    // Below the bar the pane keeps room down to 4000 twips above the window's bottom.
    localPane_->setMinimumHeight(twips(4000) - 40);
    connect(localPane_, &LocalPane::navigationCompleted, this, [this](const QString& shown) {
        store_.write(QLatin1String(SettingsKeys::LastFolder), shown);
        store_.sync();
    });
    connect(
        localPane_, &LocalPane::phoneRowsDropped, this,
        [this] {
            OpenAfterDownload = false;
            DownloadCommand();
        },
        Qt::QueuedConnection);

    rightColumn_ = new GripSplitter(Qt::Vertical);
    rightColumn_->setObjectName(QStringLiteral("rightColumn"));
    rightColumn_->setOpaqueResize(false);
    rightColumn_->setChildrenCollapsible(false);
    rightColumn_->addWidget(lstFiles_);
    rightColumn_->addWidget(localPane_);
    rightColumn_->setStretchFactor(0, 2);
    rightColumn_->setStretchFactor(1, 3);
    rightColumn_->handle(1)->setObjectName(QStringLiteral("picResizeVert"));
    rightColumn_->setMinimumWidth(kRightColumnFloor);

    columns_ = new GripSplitter(Qt::Horizontal);
    columns_->setObjectName(QStringLiteral("columns"));
    // The bar moves alone; the panes follow when it is released.
    columns_->setOpaqueResize(false);
    columns_->setChildrenCollapsible(false);
    columns_->addWidget(buildLeftColumn());
    columns_->addWidget(rightColumn_);
    columns_->setStretchFactor(1, 1);
    columns_->setSizes({twips(3180), 800});
    columns_->handle(1)->setObjectName(QStringLiteral("picResizeHorz"));
    setCentralWidget(columns_);

    // Delete acts on phone files only while the tree or the list has the focus,
    // never while the user types in the address box.
    for (QWidget* target : {static_cast<QWidget*>(tvFolders_), static_cast<QWidget*>(lstFiles_)}) {
        auto* shortcut = new QShortcut(QKeySequence::Delete, target, nullptr, nullptr, Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, &ExplorerWindow::DeleteCommand);
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &ExplorerWindow::StopCommand);
}

void ExplorerWindow::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("stbMain"));
    bar->setSizeGripEnabled(true);
    panel1_ = new ElidedLabel;
    panels_[0] = panel1_;
    for (int panel = 1; panel < 3; ++panel)
        panels_[panel] = new QLabel;
    for (int panel = 0; panel < 3; ++panel)
        panels_[panel]->setObjectName(QStringLiteral("stbMain_Panel%1").arg(panel + 1));
    panels_[0]->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* batteryPanel = new QWidget;
    batteryPanel->setFixedWidth(kStatusPanel2);
    picBattery_ = new QLabel(batteryPanel);
    picBattery_->setObjectName(QStringLiteral("picBattery"));
    picBattery_->hide();
    auto* batteryLayout = new QHBoxLayout(batteryPanel);
    batteryLayout->setContentsMargins(2, 0, 0, 0);
    batteryLayout->setSpacing(3);
    batteryLayout->addWidget(picBattery_);
    batteryLayout->addWidget(panels_[1], 1);

    auto* progressPanel = new QWidget;
    progressPanel_ = progressPanel;
    progressPanel->setFixedWidth(kStatusPanel3);
    pgbMain_ = new QProgressBar(progressPanel);
    pgbMain_->setObjectName(QStringLiteral("pgbMain"));
    pgbMain_->setTextVisible(false);
    pgbMain_->setMaximumHeight(14);
    // It may shrink to nothing: the percentage beside it says the same.
    pgbMain_->setMinimumWidth(1);
    pgbMain_->hide();
    panels_[2]->setFixedWidth(kProgressShortOfPanel3 - 2);
    panels_[2]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* progressLayout = new QHBoxLayout(progressPanel);
    progressLayout->setContentsMargins(2, 0, 0, 0);
    progressLayout->setSpacing(0);
    progressLayout->addWidget(pgbMain_, 1);
    progressLayout->addStretch(0);
    progressLayout->addWidget(panels_[2]);

    transferStatus_ = new TransferStatus(texts_);
    connect(transferStatus_, &TransferStatus::stopClicked, this, &ExplorerWindow::StopCommand);
    connect(transferStatus_, &TransferStatus::figuresShown, this, &ExplorerWindow::fitStatusBar);

    bar->addWidget(panels_[0], 1);
    bar->addWidget(transferStatus_);
    bar->addWidget(batteryPanel);
    bar->addWidget(progressPanel);
    bar->installEventFilter(this);
}

void ExplorerWindow::fitStatusBar()
{
    // Who keeps room when the bar is narrow, first to last: a readable progress
    // bar, the operation text with its file name (up to half the bar), the
    // transfer's figures in their shortest wording, the whole progress bar, the
    // whole figures, and the rest of a long operation text (cut in its middle).
    QStatusBar* bar = statusBar();
    // The battery panel, the gaps between the panels and the size grip.
    const int room = bar->width() - kStatusPanel2 - 48;
    const bool transfer = transferStatus_->isVisibleTo(bar);
    const int figures = transfer ? transferStatus_->sizeHint().width() : 0;
    const int leastFigures = transfer ? qMin(figures, transferStatus_->leastWidth()) : 0;
    const int operation = panel1_->sizeHint().width();
    const int operationFirst = qMin(operation, qMax(kStatusPanel1Floor, room / 2));
    // Nothing to show there between transfers: the texts may have its room.
    const bool progressShown = pgbMain_->isVisibleTo(bar) || !panels_[2]->text().isEmpty();
    const int progressFloor = progressShown ? kProgressPanelFloor : 0;
    const QList<int> given = shareOut(room, {progressFloor, operationFirst, leastFigures,
                                             kStatusPanel3 - progressFloor, figures - leastFigures});
    progressPanel_->setFixedWidth(given[0] + given[3]);
    transferStatus_->setFixedWidth(given[2] + given[4]);
    panel1_->setMinimumWidth(given[1]);
}

bool ExplorerWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == statusBar() && event->type() == QEvent::Resize)
        fitStatusBar();
    return QMainWindow::eventFilter(watched, event);
}

void ExplorerWindow::ApplyLanguage()
{
    auto text = [this](int number) { return texts_.GetString(number); };
    mnuFile_->setTitle(text(1));
    mnuFileExit_->setText(text(2));
    mnuFileRepairs_->setText(text(414));
    mnuHelp_->setTitle(text(3));
    mnuHelpAbout_->setText(text(4));
    mnuFDownload_->setText(text(5));
    mnuFDelete_->setText(text(6));
    const int captions[] = {41, 0, 42, 43, 0, 44, 45, 46};
    for (int i = 0; i < 8; ++i) {
        if (captions[i] == 0)
            continue;
        mainButtons_[i]->setText(text(captions[i]));
        mainButtons_[i]->setToolTip(text(captions[i]));
    }
    // Menus show these with mnemonics (older language files have none: the
    // plain caption then); the toolbars keep the plain captions.
    auto menuText = [&](int number, int plain) {
        return text(number).isEmpty() ? text(plain) : text(number);
    };
    const std::pair<int, int> menuTexts[] = {
        {0, kRefreshMenuText}, {2, 5}, {3, 6}, {5, kSettingsMenuText}, {6, kJavaMenuText}};
    for (const auto& [button, number] : menuTexts) {
        mainButtons_[button]->setText(menuText(number, captions[button]));
        mainButtons_[button]->setIconText(text(captions[button]));
    }
    // The favourites show pictures only; their text names them in the View menu.
    for (int i = 0; i < 5; ++i) {
        favButtons_[i]->setText(menuText(kFirstFavouriteMenuText + i, 191 + i));
        favButtons_[i]->setToolTip(text(191 + i));
    }
    applyKeysAndMenusLanguage();
    localPane_->ApplyLanguage(texts_);
    transferStatus_->ApplyLanguage();
    // The headers follow the language even while no phone answers; a title
    // cut short by its column is whole in its tooltip.
    lstFiles_->setHeaderLabels({text(200), text(201), text(202)});
    for (int column = 0; column < 3; ++column)
        lstFiles_->headerItem()->setToolTip(column, text(200 + column));
}

QString ExplorerWindow::panelText(int panel) const
{
    return panel == 1 ? panel1_->fullText() : panels_[panel - 1]->text();
}

void ExplorerWindow::statusText(int panel, const QString& text)
{
    if (panel < 1 || panel > 3)
        return;
    panels_[panel - 1]->setToolTip(text);
    if (panel > 1)
        return panels_[panel - 1]->setText(text);
    panel1_->setFullText(text);
    fitStatusBar();
}

void ExplorerWindow::busyChanged(bool busy)
{
    const QList<QWidget*> controls = {tlbMain_, tvFolders_, lstFiles_, tlbFav_};
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
    if (!transferStatus_->isRunning())
        statusText(3, QString());
}

void ExplorerWindow::batteryLevel(int level)
{
    if (level < 1) {
        // A charge the phone did not confirm is not shown as if it were current.
        picBattery_->hide();
        statusText(2, QString());
        return;
    }
    picBattery_->setPixmap(Icons::battery(level));
    picBattery_->setProperty("level", level);
    picBattery_->show();
}

void ExplorerWindow::lineLost()
{
    lineFailure_ = panelText(1);
    clearPhoneView();
    setPhoneCommandsEnabled(false);
}

void ExplorerWindow::message(const QString& text)
{
    QMessageBox::warning(this, QStringLiteral("Vantrel"), text);
}

void ExplorerWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && link_->isOpen() && !closing_)
        QTimer::singleShot(0, this, &ExplorerWindow::applyBatteryRule);
}

void ExplorerWindow::closeEvent(QCloseEvent* event)
{
    // An exchange waiting for the phone ends first; the window closes once it
    // has. A transfer is stopped, tidily, only if the user agrees.
    if (link_->isExchangeRunning() || commandDepth_ > 0) {
        if (!closing_) {
            if (transferStatus_->isRunning() && !quitDespiteTransfer()) {
                event->ignore();
                return;
            }
            closing_ = true;
            // Nothing waits for the phone: the next start brings the line back
            // in step and tidies up what the transfer left.
            link_->abandonLine();
        }
        event->ignore();
        QTimer::singleShot(50, this, &QWidget::close);
        return;
    }
    closing_ = true;
    saveWindowState();
    shutdown();
    event->accept();
}
