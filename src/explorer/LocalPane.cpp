#include "LocalPane.h"

#include "Icons.h"
#include "LocalFolderModel.h"
#include "platform/Drives.h"
#include "settings/LanguageTable.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

void DiskView::dragEnterEvent(QDragEnterEvent* event)
{
    // An entering drag is judged like a moving one.
    dragMoveEvent(event);
}

namespace {
bool isPhoneDrag(const QMimeData* data)
{
    return data->hasFormat(QLatin1String(kPhoneRowsMimeType)) ||
           data->hasFormat(QLatin1String(kPhoneFolderMimeType));
}
} // namespace

void DiskView::dragMoveEvent(QDragMoveEvent* event)
{
    if (isPhoneDrag(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void DiskView::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (!isPhoneDrag(data)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (data->hasFormat(QLatin1String(kPhoneFolderMimeType)))
        emit phoneFolderDropped(QString::fromUtf8(data->data(QLatin1String(kPhoneFolderMimeType))));
    else
        emit phoneRowsDropped();
}

QString UrlToPath(const QString& url)
{
    const QUrl parsed(url);
    if (parsed.isLocalFile())
        return QDir::toNativeSeparators(parsed.toLocalFile());
    return url;
}

LocalPane::LocalPane(QWidget* parent)
    : QWidget(parent), tlbDrives_(new QToolBar(this)), lblP0_(new QLabel(this)), txtURL_(new QLineEdit(this)),
      wbDisk_(new DiskView(this)), model_(new LocalFolderModel(this))
{
    tlbDrives_->setObjectName(QStringLiteral("tlbDrives"));
    tlbDrives_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tlbDrives_->setIconSize(QSize(16, 16));
    lblP0_->setObjectName(QStringLiteral("lblP0"));
    lblP0_->setBuddy(txtURL_);
    txtURL_->setObjectName(QStringLiteral("txtURL"));
    txtURL_->installEventFilter(this);
    wbDisk_->setObjectName(QStringLiteral("wbDisk"));

    model_->setRootPath(QString());
    model_->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::AllDirs);
    wbDisk_->setModel(model_);
    wbDisk_->setRootIsDecorated(false);
    wbDisk_->setItemsExpandable(false);
    wbDisk_->setSortingEnabled(true);
    wbDisk_->sortByColumn(0, Qt::AscendingOrder);
    wbDisk_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    wbDisk_->setAcceptDrops(true);
    wbDisk_->setDropIndicatorShown(false);
    wbDisk_->setDragDropMode(QAbstractItemView::DropOnly);
    // The name takes what the size and the date leave; the picture says the type.
    wbDisk_->setColumnHidden(LocalFolderModel::TypeColumn, true);
    wbDisk_->header()->setStretchLastSection(false);
    wbDisk_->header()->setSectionResizeMode(LocalFolderModel::NameColumn, QHeaderView::Stretch);
    wbDisk_->header()->setSectionResizeMode(LocalFolderModel::SizeColumn, QHeaderView::ResizeToContents);
    wbDisk_->header()->setSectionResizeMode(LocalFolderModel::ModifiedColumn, QHeaderView::ResizeToContents);
    // The browser never goes below 500 twips.
    wbDisk_->setMinimumHeight(500 / 15);

    auto* addressRow = new QHBoxLayout;
    addressRow->setContentsMargins(0, 0, 0, 0);
    addressRow->addWidget(lblP0_);
    addressRow->addWidget(txtURL_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(tlbDrives_);
    layout->addLayout(addressRow);
    layout->addWidget(wbDisk_, 1);

    connect(txtURL_, &QLineEdit::returnPressed, this, &LocalPane::addressEntered);
    connect(wbDisk_, &QAbstractItemView::activated, this, &LocalPane::openIndex);
    connect(wbDisk_, &DiskView::phoneRowsDropped, this, &LocalPane::phoneRowsDropped);
    connect(wbDisk_, &DiskView::phoneFolderDropped, this, &LocalPane::phoneFolderDropped);
}

QHeaderView* LocalPane::columnHeader() const
{
    return wbDisk_->header();
}

bool LocalPane::navigate(const QString& location)
{
    const QString path = QDir::fromNativeSeparators(UrlToPath(location.trimmed()));
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir())
        return false;
    currentFolder_ = QDir::cleanPath(info.absoluteFilePath());
    wbDisk_->setRootIndex(model_->index(currentFolder_));
    // Completed: the box shows where the pane is, and that place is remembered.
    txtURL_->setText(UrlToPath(currentLocationUrl()));
    emit navigationCompleted(txtURL_->text());
    return true;
}

QString LocalPane::currentLocationUrl() const
{
    return currentFolder_.isEmpty() ? QString() : QUrl::fromLocalFile(currentFolder_).toString();
}

void LocalPane::GoUpOneLevel()
{
    QDir folder(currentFolder_);
    if (folder.cdUp())
        navigate(folder.absolutePath());
}

void LocalPane::buildDriveToolbar(const QString& upCaption)
{
    tlbDrives_->clear();
    QAction* up =
        tlbDrives_->addAction(Icons::command(Icons::Command::Up), upCaption, this, &LocalPane::GoUpOneLevel);
    up->setObjectName(QStringLiteral("actUp"));
    tlbDrives_->widgetForAction(up)->setObjectName(QStringLiteral("tlbDrives_Up"));
    for (const DriveEntry& drive : listDrives()) {
        QAction* action = tlbDrives_->addAction(Icons::drive(drive.image), drive.caption, this,
                                                [this, path = drive.path] { navigate(path); });
        action->setToolTip(QDir::toNativeSeparators(drive.path));
    }
}

void LocalPane::ApplyLanguage(const LanguageTable& texts)
{
    lblP0_->setText(texts.GetString(48));
    model_->ApplyLanguage(texts);
    wbDisk_->viewport()->update();
}

void LocalPane::addressEntered()
{
    // An unusable text is ignored: the pane stays where it was.
    if (UrlToPath(currentLocationUrl()) != txtURL_->text())
        navigate(txtURL_->text());
}

bool LocalPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtURL_ && event->type() == QEvent::FocusOut)
        addressEntered();
    return QWidget::eventFilter(watched, event);
}

void LocalPane::openIndex(const QModelIndex& index)
{
    if (model_->isDir(index))
        navigate(model_->filePath(index));
}
