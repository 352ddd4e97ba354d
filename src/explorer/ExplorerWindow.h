#pragma once

#include "SessionSettings.h"
#include "WorkingFolder.h"
#include "phone/PhoneObserver.h"
#include "phone/PhoneTypes.h"

#include <QMainWindow>

#include <memory>

class BusyControls;
class CommandGate;
class FolderDownloadCommand;
class JavaMenuCommand;
class LanguageTable;
class LocalPane;
class MainMenus;
class PhoneKeeper;
class PhoneLink;
class PhonePane;
class RowCommands;
class SettingsStore;
class SideWindows;
class StatusPanels;
class TransferRunner;
class UploadCommands;
class WindowLayout;

// The main window: the phone's folder tree and file list beside a local
// folder. It owns the parts and wires them; each part does its own work: the
// phone pane, the local pane, the menus, the status bar, the transfer
// commands, the Java sending and the layout kept between runs. What the window
// does itself is the start-up, the line's reports and its own closing.
class ExplorerWindow : public QMainWindow, public PhoneObserver
{
    Q_OBJECT
public:
    ExplorerWindow(SettingsStore& store, LanguageTable& texts, QWidget* parent = nullptr);
    ~ExplorerWindow() override;

    // Where the window makes its own working folder; the user's cache folder unless set (tests).
    void setCacheFolder(const QString& folder) { working_.setCacheFolder(folder); }
    // Where repairs that must outlive a run are kept (tests keep their own).
    void setRepairJournalFile(const QString& path);
    // The whole start-up; safe to repeat on a filled window.
    void StartUp();
    void ApplyLanguage();

    PhoneLink& link() const { return *link_; }
    const Settings& settings() const { return session_.values(); }
    QString TempFolder() const { return working_.path(); }
    QString panelText(int panel) const;
    bool isCommandRunning() const;
    // The files waiting to go to the phone (the Java manager's queue among them).
    const QList<UploadItem>& uploadQueue() const;

    // PhoneObserver
    void statusText(int panel, const QString& text) override;
    void busyChanged(bool busy) override;
    void transferProgress(qint64 done, qint64 total) override;
    void batteryLevel(int level) override;
    void message(const QString& text) override;
    void lineLost() override;

signals:
    // Ends the start-up's language check: a malformed file ends the program.
    void fatalLanguageError(const QString& message);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void wireCommands();

    bool loadSettingsAndLanguage();
    bool openPort();
    void showPhone(const QString& folder);
    QString phoneDetails() const;
    void reconnect();
    // After the settings dialog, when the port stays: everything but the line and the phone's view.
    void applySettingsKeepingTheLine();
    void applyBatteryRule();
    void clearPhoneView();
    void setPhoneCommandsEnabled(bool enabled);
    void updateRowCommands();
    bool quitDespiteTransfer();
    void shutdown();

    void SettingsCommand();
    // File > Exit: at once, but a running transfer is stopped only if the user agrees.
    void ExitCommand();

    SettingsStore& store_;
    LanguageTable& texts_;
    std::unique_ptr<PhoneLink> link_;
    SessionSettings session_;
    WorkingFolder working_;

    StatusPanels* status_ = nullptr;
    std::unique_ptr<CommandGate> gate_;
    PhonePane* phone_ = nullptr;
    LocalPane* local_ = nullptr;
    MainMenus* menus_ = nullptr;
    std::unique_ptr<TransferRunner> runner_;
    std::unique_ptr<RowCommands> rows_;
    std::unique_ptr<FolderDownloadCommand> folders_;
    std::unique_ptr<UploadCommands> uploads_;
    std::unique_ptr<JavaMenuCommand> java_;
    std::unique_ptr<WindowLayout> layout_;
    std::unique_ptr<SideWindows> sideWindows_;
    PhoneKeeper* keeper_ = nullptr;
    std::unique_ptr<BusyControls> busy_;
};
