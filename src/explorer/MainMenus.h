#pragma once

#include <QList>
#include <QObject>

class LanguageTable;
class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

// The window's commands as the user reaches them: the menu bar, the main
// toolbar, the file list's context menu and the keys shown beside them. It
// only says which command was chosen; the window hands it to the part that
// carries it out.
class MainMenus : public QObject
{
    Q_OBJECT
public:
    // The favourites join the View menu.
    MainMenus(QMainWindow& window, const LanguageTable& texts, const QList<QAction*>& favourites);

    void ApplyLanguage();
    // The toolbar's command buttons in its order, Upload included.
    QList<QAction*> commandButtons() const;
    QToolBar* mainToolbar() const { return tlbMain_; }
    // The file list's context menu.
    QMenu* fileOperations() const { return mnuFileOp_; }
    // Refresh and Upload: they need a line.
    void setPhoneCommandsEnabled(bool enabled);
    // File > Reconnect (F5 too) while there is no line.
    void setReconnectEnabled(bool enabled);
    // Download and Delete act on rows: without one chosen there is nothing to do.
    void setRowCommandsEnabled(bool enabled);

signals:
    void refreshWanted();
    void downloadWanted();
    void uploadWanted();
    void deleteWanted();
    void selectAllWanted();
    void settingsWanted();
    void javaWanted();
    void aboutWanted();
    void repairsWanted();
    void reconnectWanted();
    void lineLogWanted();
    void exitWanted();

private:
    void buildToolbar();
    void buildFileMenu();
    void buildViewAndHelpMenus(const QList<QAction*>& favourites);
    void buildFileOperations();
    QAction* addAction(const QString& name, void (MainMenus::*wanted)());

    QMainWindow& window_;
    const LanguageTable& texts_;
    QToolBar* tlbMain_ = nullptr;
    // The toolbar's buttons in their order, separators included.
    QList<QAction*> mainButtons_;
    QAction* actUpload_ = nullptr;
    QAction* actSelectAll_ = nullptr;
    QMenu* mnuFile_ = nullptr;
    QAction* mnuFileRepairs_ = nullptr;
    QAction* mnuFileReconnect_ = nullptr;
    QAction* mnuFileExit_ = nullptr;
    QMenu* mnuView_ = nullptr;
    QAction* mnuViewLineLog_ = nullptr;
    QMenu* mnuHelp_ = nullptr;
    QAction* mnuHelpAbout_ = nullptr;
    QMenu* mnuFileOp_ = nullptr;
    QAction* mnuFDownload_ = nullptr;
    QAction* mnuFUpload_ = nullptr;
    QAction* mnuFDelete_ = nullptr;
};
