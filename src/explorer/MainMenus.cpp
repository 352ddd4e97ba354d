#include "MainMenus.h"

#include "Icons.h"
#include "MenuCaptions.h"
#include "settings/LanguageTable.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace {

enum Button
{
    kRefresh = 0,
    kDownload = 2,
    kDelete = 3,
    kSettings = 5,
    kJava = 6,
    kAbout = 7
};
// The toolbar's captions in its order; 0 for a separator.
constexpr int kCaptions[] = {41, 0, 42, 43, 0, 44, 45, 46};
constexpr int kRefreshMenuText = 484;
constexpr int kSettingsMenuText = 556;
constexpr int kJavaMenuText = 557;
constexpr int kUploadText = 150;
constexpr int kSelectAllText = 152;
constexpr int kRepairsText = 414;
constexpr int kReconnectText = 621;
constexpr int kViewText = 490;
constexpr int kLineLogText = 491;

} // namespace

MainMenus::MainMenus(QMainWindow& window, const LanguageTable& texts, const QList<QAction*>& favourites)
    : QObject(&window), window_(window), texts_(texts)
{
    buildToolbar();
    buildFileMenu();
    buildViewAndHelpMenus(favourites);
    buildFileOperations();
}

QAction* MainMenus::addAction(const QString& name, void (MainMenus::*wanted)())
{
    auto* action = new QAction(&window_);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, wanted);
    return action;
}

void MainMenus::buildToolbar()
{
    tlbMain_ = window_.addToolBar(QStringLiteral("tlbMain"));
    tlbMain_->setObjectName(QStringLiteral("tlbMain"));
    tlbMain_->setMovable(false);
    // The window's own menu would offer to hide it, under its internal name.
    tlbMain_->setContextMenuPolicy(Qt::PreventContextMenu);
    tlbMain_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tlbMain_->setIconSize(QSize(24, 24));
    struct Command
    {
        const char* name;
        Icons::Command icon;
        void (MainMenus::*wanted)();
    };
    const Command commands[] = {
        {"tlbMain_Refresh", Icons::Command::Refresh, &MainMenus::refreshWanted},
        {nullptr, {}, nullptr},
        {"tlbMain_Download", Icons::Command::Download, &MainMenus::downloadWanted},
        {"tlbMain_Delete", Icons::Command::Delete, &MainMenus::deleteWanted},
        {nullptr, {}, nullptr},
        {"tlbMain_Settings", Icons::Command::Settings, &MainMenus::settingsWanted},
        {"tlbMain_Java", Icons::Command::Java, &MainMenus::javaWanted},
        {"tlbMain_About", Icons::Command::About, &MainMenus::aboutWanted},
    };
    for (const Command& command : commands) {
        if (!command.name) {
            mainButtons_ << tlbMain_->addSeparator();
            continue;
        }
        QAction* action = tlbMain_->addAction(Icons::command(command.icon), QString());
        connect(action, &QAction::triggered, this, command.wanted);
        nameToolButton(tlbMain_, action, QLatin1String(command.name));
        mainButtons_ << action;
    }
    // F5 and Ctrl+U work wherever the focus is in the window.
    mainButtons_[kRefresh]->setShortcut(QKeySequence(Qt::Key_F5));
    actUpload_ = addAction(QStringLiteral("tlbMain_Upload"), &MainMenus::uploadWanted);
    actUpload_->setIcon(Icons::command(Icons::Command::Upload));
    actUpload_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    tlbMain_->insertAction(mainButtons_[kDelete], actUpload_);
    tlbMain_->widgetForAction(actUpload_)->setObjectName(QStringLiteral("tlbMain_Upload"));
    showKeyInMenu(mainButtons_[kDelete], QKeySequence::Delete);
}

void MainMenus::buildFileMenu()
{
    mnuFile_ = window_.menuBar()->addMenu(QString());
    mnuFile_->setObjectName(QStringLiteral("mnuFile"));
    actSelectAll_ = addAction(QStringLiteral("mnuFileSelectAll"), &MainMenus::selectAllWanted);
    showKeyInMenu(actSelectAll_, QKeySequence::SelectAll);
    mnuFileRepairs_ = addAction(QStringLiteral("mnuFileRepairs"), &MainMenus::repairsWanted);
    mnuFileExit_ = addAction(QStringLiteral("mnuFileExit"), &MainMenus::exitWanted);
    // F5 lists the folder again while there is a line and reconnects while there is none.
    mnuFileReconnect_ = addAction(QStringLiteral("mnuFileReconnect"), &MainMenus::reconnectWanted);
    mnuFileReconnect_->setShortcut(QKeySequence(Qt::Key_F5));
    mnuFileReconnect_->setEnabled(false);
    mnuFile_->addActions(
        {mainButtons_[kRefresh], mainButtons_[kDownload], actUpload_, mainButtons_[kDelete]});
    mnuFile_->addSeparator();
    mnuFile_->addAction(actSelectAll_);
    mnuFile_->addSeparator();
    // Settings and Java live on the toolbar, which the keyboard does not reach.
    mnuFile_->addActions({mainButtons_[kSettings], mainButtons_[kJava], mnuFileRepairs_});
    mnuFile_->addSeparator();
    mnuFile_->addAction(mnuFileExit_);
}

void MainMenus::buildViewAndHelpMenus(const QList<QAction*>& favourites)
{
    mnuView_ = window_.menuBar()->addMenu(QString());
    mnuView_->setObjectName(QStringLiteral("mnuView"));
    mnuViewLineLog_ = addAction(QStringLiteral("mnuViewLineLog"), &MainMenus::lineLogWanted);
    mnuView_->addAction(mnuViewLineLog_);
    mnuView_->addSeparator();
    mnuView_->addActions(favourites);
    mnuHelp_ = window_.menuBar()->addMenu(QString());
    mnuHelp_->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpAbout_ = addAction(QStringLiteral("mnuHelpAbout"), &MainMenus::aboutWanted);
    mnuHelp_->addAction(mnuHelpAbout_);
}

void MainMenus::buildFileOperations()
{
    mnuFileOp_ = new QMenu(&window_);
    mnuFileOp_->setObjectName(QStringLiteral("mnuFileOp"));
    mnuFDownload_ = addAction(QStringLiteral("mnuFDownload"), &MainMenus::downloadWanted);
    mnuFDownload_->setIcon(Icons::command(Icons::Command::Download));
    mnuFUpload_ = addAction(QStringLiteral("mnuFUpload"), &MainMenus::uploadWanted);
    mnuFUpload_->setIcon(Icons::command(Icons::Command::Upload));
    showKeyInMenu(mnuFUpload_, QKeySequence(Qt::CTRL | Qt::Key_U));
    mnuFDelete_ = addAction(QStringLiteral("mnuFDelete"), &MainMenus::deleteWanted);
    mnuFDelete_->setIcon(Icons::command(Icons::Command::Delete));
    showKeyInMenu(mnuFDelete_, QKeySequence::Delete);
    mnuFileOp_->addActions({mnuFDownload_, mnuFUpload_, mnuFDelete_, actSelectAll_});
}

void MainMenus::ApplyLanguage()
{
    auto text = [this](int number) { return texts_.GetString(number); };
    mnuFile_->setTitle(text(1));
    mnuFileExit_->setText(text(2));
    mnuFileRepairs_->setText(text(kRepairsText));
    mnuFileReconnect_->setText(text(kReconnectText));
    mnuHelp_->setTitle(text(3));
    mnuHelpAbout_->setText(text(4));
    mnuFDownload_->setText(text(5));
    mnuFDelete_->setText(text(6));
    for (qsizetype i = 0; i < mainButtons_.size(); ++i) {
        if (kCaptions[i] == 0)
            continue;
        mainButtons_[i]->setText(text(kCaptions[i]));
        mainButtons_[i]->setToolTip(text(kCaptions[i]));
    }
    // Menus show these with mnemonics; the toolbar keeps the plain captions.
    const std::pair<int, int> menuTexts[] = {{kRefresh, kRefreshMenuText},
                                             {kDownload, 5},
                                             {kDelete, 6},
                                             {kSettings, kSettingsMenuText},
                                             {kJava, kJavaMenuText}};
    for (const auto& [button, number] : menuTexts) {
        mainButtons_[button]->setText(menuCaption(texts_, number, kCaptions[button]));
        mainButtons_[button]->setIconText(text(kCaptions[button]));
    }
    actUpload_->setText(text(kUploadText));
    actUpload_->setToolTip(actUpload_->iconText());
    mnuFUpload_->setText(text(kUploadText));
    actSelectAll_->setText(text(kSelectAllText));
    mnuView_->setTitle(text(kViewText));
    mnuViewLineLog_->setText(text(kLineLogText));
}

QList<QAction*> MainMenus::commandButtons() const
{
    return {mainButtons_[kRefresh],  mainButtons_[kDownload], actUpload_,          mainButtons_[kDelete],
            mainButtons_[kSettings], mainButtons_[kJava],     mainButtons_[kAbout]};
}

void MainMenus::setPhoneCommandsEnabled(bool enabled)
{
    for (QAction* action : {mainButtons_[kRefresh], mnuFUpload_, actUpload_})
        action->setEnabled(enabled);
}

void MainMenus::setReconnectEnabled(bool enabled)
{
    mnuFileReconnect_->setEnabled(enabled);
}

void MainMenus::setRowCommandsEnabled(bool enabled)
{
    for (QAction* action : {mainButtons_[kDownload], mainButtons_[kDelete], mnuFDownload_, mnuFDelete_})
        action->setEnabled(enabled);
}
