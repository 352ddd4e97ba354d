#pragma once

#include <QTreeView>
#include <QWidget>

class LanguageTable;
class LocalFolderModel;
class QHeaderView;
class QLabel;
class QLineEdit;
class QToolBar;

// The program's own drag of phone rows, from the file list onto the local pane.
inline constexpr const char* kPhoneRowsMimeType = "application/x-vantrel-phone-rows";
// A phone folder dragged from the tree: its path, with the closing "/", in UTF-8.
inline constexpr const char* kPhoneFolderMimeType = "application/x-vantrel-phone-folder";

// The local folder view: accepts only the program's own drags of phone rows and folders.
class DiskView : public QTreeView
{
    Q_OBJECT
public:
    using QTreeView::QTreeView;

signals:
    void phoneRowsDropped();
    void phoneFolderDropped(const QString& phoneFolder);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// A location as the address box shows it: the local path of a "file:" URL with
// every escape decoded, in native separators; any other text as it is.
QString UrlToPath(const QString& url);

// The right-hand pane: drive toolbar, address box and a view of one local folder.
class LocalPane : public QWidget
{
    Q_OBJECT
public:
    explicit LocalPane(QWidget* parent = nullptr);

    // Goes to a local path or "file:" URL; false (staying put) when it is no folder.
    bool navigate(const QString& location);
    void GoUpOneLevel();
    QString currentFolder() const { return currentFolder_; }
    QString currentLocationUrl() const;
    QHeaderView* columnHeader() const;

    void buildDriveToolbar(const QString& upCaption);
    // The address caption (text 48) and the folder view's columns.
    void ApplyLanguage(const LanguageTable& texts);

signals:
    // Every completed navigation, with the text the address box then shows.
    void navigationCompleted(const QString& shownPath);
    void phoneRowsDropped();
    void phoneFolderDropped(const QString& phoneFolder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addressEntered();
    void openIndex(const QModelIndex& index);

    QToolBar* tlbDrives_;
    QLabel* lblP0_;
    QLineEdit* txtURL_;
    DiskView* wbDisk_;
    LocalFolderModel* model_;
    QString currentFolder_;
};
