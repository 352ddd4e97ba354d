#pragma once

#include "phone/PhoneObserver.h"
#include "phone/PhoneTypes.h"
#include "phone/KeptCopy.h"
#include "platform/ScratchFolder.h"
#include "settings/Settings.h"

#include <QDateTime>
#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>

class ElidedLabel;
class FileList;
class LineLogWindow;
struct JavaEdits;
class LanguageTable;
class LocalPane;
class PhoneLink;
class QLabel;
class QMenu;
class QMimeData;
class QProgressBar;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class SettingsStore;
class QUrl;
struct CopyFailure;
struct FolderCopyOptions;
struct FolderCopyTally;
struct KeptAs;
class TransferStatus;

// The main window: the phone's folder tree and file list beside a local folder.
class ExplorerWindow : public QMainWindow, public PhoneObserver
{
    Q_OBJECT
public:
    ExplorerWindow(SettingsStore& store, LanguageTable& texts, QWidget* parent = nullptr);
    ~ExplorerWindow() override;

    // Where the window makes its own working folder; the user's cache folder unless set (tests).
    void setCacheFolder(const QString& folder) { cacheFolderOverride_ = folder; }
    // Where repairs that must outlive a run are kept (tests keep their own).
    void setRepairJournalFile(const QString& path);
    // The whole start-up; safe to repeat on a filled window.
    void StartUp();
    void ApplyLanguage();

    // Commands.
    void RefreshCommand();
    void DownloadCommand();
    void DeleteCommand();
    void SettingsCommand();
    void AboutCommand();
    void FavouriteCommand(int button);
    // The favourite's listing alone, for a command that is already running.
    // false when the favourite's folder is not known yet or there is no line.
    bool ListFavourite(int button);
    void JavaCommand();
    void UploadDroppedPaths(const QStringList& paths);
    // How many queued files did not reach the phone.
    int SendQueuedFiles();
    // Lists the node's folder; false when it could not be listed.
    bool FolderClick(QTreeWidgetItem* node);
    void OpenSelectedRows();
    // Local files chosen in a file dialog, into the phone folder shown.
    void UploadCommand();
    // A phone folder with its sub-folders into a local folder of its name
    // inside the folder the local pane shows.
    void DownloadFolderCommand(const QString& phoneFolder);
    // Stop button and Escape: ends the running transfer and the command.
    void StopCommand();
    // File > Exit: at once, but a running transfer is stopped only if the user agrees.
    void ExitCommand();
    // View > Line log: shows the line's traffic while its window is open.
    void LineLogCommand();
    // What the repair journal still holds, from the File menu.
    void RepairsCommand();

    // State others read.
    PhoneLink& link() const { return *link_; }
    const Settings& settings() const { return settings_; }
    QString TempFolder() const { return tempFolder_; }
    QString panelText(int panel) const;
    QTreeWidgetItem* nodeByKey(const QString& key) const { return nodes_.value(key); }
    bool isCommandRunning() const { return commandDepth_ > 0; }

    QString JavaNodeKey, MlNodeKey, ImNodeKey, RiNodeKey, CiNodeKey, VdNodeKey;
    qint64 NodeCounter = 0;
    bool OpenAfterDownload = false;
    QList<UploadItem> UploadList;

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
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    class CommandScope;

    // A selected row of the file list: its name and the phone folder it was listed from.
    struct PhoneRow
    {
        QString name;
        QString folder;
        qint64 size = -1;
    };

    void buildMenus();
    void buildToolbars();
    QWidget* buildLeftColumn();
    void buildStatusBar();
    // Shares the status bar's width out: texts before the progress bar.
    void fitStatusBar();
    void buildCentre();

    void loadSettingsStep();
    void prepareWorkingFolder();
    void removeWorkingFolder();
    bool loadLanguageStep();
    bool openPortStep();
    // The device the stored port number opens.
    QString portDevice() const;
    // After the settings dialog, when the port stays: everything but the line and the phone's view.
    void applySettingsKeepingTheLine();
    void setUpFileListColumns();
    // The window's size, bars, columns and sort orders, kept between runs.
    void saveWindowState();
    // True the first time, as the window opens; later runs leave it as it is.
    bool restoreWindowState();
    void restoreFileColumns();
    // Shrinks and moves the window into its screen's free area.
    void fitToScreen();
    void applyBatteryRule();
    void shutdown();

    void ShowPhoneRoot();
    bool ListFolder(const QString& folder, const QString& parentKey);
    QTreeWidgetItem* addFolderNode(QTreeWidgetItem* parent, const QString& name, const QString& tag);
    void removeNode(QTreeWidgetItem* node);
    void removeChildren(QTreeWidgetItem* node);
    void sortByColumn(int column);
    void keepSortOrder();
    void showFileMenu(const QPoint& position);
    QList<PhoneRow> selectedRows() const;
    // The phone's file an upload replaces, kept on disk until the new one is complete.
    using KeptFile = KeptCopy;
    std::optional<KeptFile> keepPhoneFile(const UploadItem& item);
    // Forgets the copy when the new file arrived; otherwise puts it back, or says where it is.
    void settleKeptFile(const KeptFile& kept, const UploadItem& item, Outcome outcome);
    // The files the user picks from a dropped local folder become the upload list.
    void queueChosenFiles(const QString& folder);
    QStringList chooseUploads();
    Outcome uploadOne(UploadItem item, int fileNumber = 1, int fileCount = 1, bool askBeforeReplacing = true);

    // What the user wants done with a file the destination holds already.
    enum class Overwrite
    {
        Yes,
        Skip,
        All,
        Cancel
    };
    // The file a transfer would replace and the one that would take its place.
    struct ReplaceQuestion
    {
        QString name;
        bool onPhone = false;
        QString folder;        // where the file there lies, as the user reads it
        qint64 thereSize = -1; // -1: not known
        QDateTime thereDate;
        qint64 newSize = -1;
        QDateTime newDate;
    };
    Overwrite askOverwrite(const ReplaceQuestion& question);
    QString replaceQuestionText(const ReplaceQuestion& question) const;
    // Whether to go on with `name` where a file of that name exists; false
    // skips it, and after Cancel ends the command.
    bool mayReplace(const ReplaceQuestion& question);
    ReplaceQuestion uploadQuestion(const UploadItem& item) const;
    ReplaceQuestion downloadQuestion(const QString& name, const QString& localFolder, qint64 phoneSize) const;
    bool phoneFolderLists(const UploadItem& item) const;
    bool commandEnded() const;
    void beginTransferOf(int fileNumber, int fileCount);
    void endTransfers();
    void noteStop(Outcome outcome);
    void noteStopTooLate(const QString& name);
    void sayStopped();
    bool quitDespiteTransfer();
    bool refuseWhileBusy() const;
    QString javaFolder() const;
    bool askToSendJava(bool& deleteRemovedFiles);
    void sendJavaQueue(bool deleteRemovedFiles);
    FolderCopyOptions folderDownloadOptions();
    std::optional<QByteArray> currentPhoneMenu();
    bool refuseWithoutLine();
    void clearPhoneView();
    void setPhoneCommandsEnabled(bool enabled);
    void updateRowCommands();
    void listFolderReachedByKeyboard(const QString& key);

    // Keys, menus and the tree's context menu beside the toolbar's commands.
    void buildKeysAndMenus();
    void applyKeysAndMenusLanguage();
    // Accessible names and descriptions in the interface language, for every
    // toolbar button and control a screen reader meets.
    void describeControls();
    void setKeyboardOrder();
    void showFolderMenu(const QPoint& position);
    // Download and Delete act on the folder the list shows: the tree highlights it.
    void highlightListedFolder();
    void goToParentFolder();
    void selectAllRows();
    // The drag of the selected rows; a file manager receiving it gets them
    // downloaded into the working folder.
    QMimeData* rowsDragData();
    QList<QUrl> deliverRows(const QList<PhoneRow>& rows);
    void showFolderTally(const QString& phoneFolder, const FolderCopyTally& tally);
    QString copyFailureText(const CopyFailure& failure) const;
    // "Name already taken, saved as photo (2).jpg: /ml/photo.jpg".
    QString keptAsText(const KeptAs& kept) const;

    // Counting the files of one command and keeping the first reason one failed.
    void startTally();
    void noteFailure(const QString& reason);
    void showTally(int doneText, int oneFailedText, int manyFailedText);
    void showFailures(int oneFailedText, int manyFailedText);
    void showUploadTally();

    SettingsStore& store_;
    LanguageTable& texts_;
    std::unique_ptr<PhoneLink> link_;
    Settings settings_;
    // The window's own working folder, from its first start-up to its end: no
    // other window and no later start-up empties it.
    std::unique_ptr<Folders::ScratchFolder> workingFolder_;
    QString tempFolder_;
    QString cacheFolderOverride_;
    QString languageWarningShown_;
    // The language file the window's texts come from.
    QString languageLoaded_;

    QMenu* mnuFile_ = nullptr;
    QAction* mnuFileExit_ = nullptr;
    QAction* mnuFileRepairs_ = nullptr;
    QMenu* mnuView_ = nullptr;
    QAction* mnuViewLineLog_ = nullptr;
    QPointer<LineLogWindow> lineLog_;
    QMenu* mnuHelp_ = nullptr;
    QAction* mnuHelpAbout_ = nullptr;
    QMenu* mnuFileOp_ = nullptr;
    QAction* mnuFDownload_ = nullptr;
    QAction* mnuFDelete_ = nullptr;
    QAction* mnuFUpload_ = nullptr;
    QAction* actUpload_ = nullptr;
    QAction* actSelectAll_ = nullptr;
    QMenu* mnuFolderOp_ = nullptr;
    QAction* mnuTRefresh_ = nullptr;
    QAction* mnuTDownloadFolder_ = nullptr;
    // The node the tree's context menu was opened on.
    QString folderMenuKey_;
    QToolBar* tlbMain_ = nullptr;
    QList<QAction*> mainButtons_;
    QToolBar* tlbFav_ = nullptr;
    QList<QAction*> favButtons_;
    QTreeWidget* tvFolders_ = nullptr;
    FileList* lstFiles_ = nullptr;
    LocalPane* localPane_ = nullptr;
    QSplitter* columns_ = nullptr;
    QSplitter* rightColumn_ = nullptr;
    QLabel* panels_[3] = {nullptr, nullptr, nullptr};
    ElidedLabel* panel1_ = nullptr;
    QWidget* progressPanel_ = nullptr;
    QLabel* picBattery_ = nullptr;
    QProgressBar* pgbMain_ = nullptr;
    TransferStatus* transferStatus_ = nullptr;

    QHash<QString, QTreeWidgetItem*> nodes_;
    // The folder the file list shows and the key of its node: commands act there.
    QString listedFolder_;
    QString listedKey_;
    // Why there is no line to the phone, as the status said it.
    QString lineFailure_;
    QPointer<QWidget> focusBeforeBusy_;
    Qt::SortOrder sortOrder_ = Qt::DescendingOrder;
    int sortColumn_ = -1;
    int commandDepth_ = 0;
    int sentFiles_ = 0;
    int failedFiles_ = 0;
    int skippedFiles_ = 0;
    QStringList failureReasons_;
    // What the Java manager handed over and was not sent yet (with the phone's
    // menu as it read it); it opens with these edits again.
    std::unique_ptr<JavaEdits> javaEdits_;
    // Notes what must be put right on the phone should a sending end early.
    bool closing_ = false;
    bool windowStateRestored_ = false;
    QSize designedMinimum_;
    // The user stopped the command (Stop, Escape, Cancel in a question).
    bool commandStopped_ = false;
    bool overwriteAll_ = false;
    QString stopReport_;
    // Messages that wait until a language is loaded to be readable.
    bool settingsMessagePending_ = false;
    bool workingFolderMessagePending_ = false;
};
