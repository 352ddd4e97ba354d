#include "ExplorerWindow.h"
#include "FileList.h"
#include "LocalPane.h"
#include "settings/LanguageTable.h"

#include <QLineEdit>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

enum Text
{
    kFavouriteDescription = 505,
    kTreeName = 506,
    kListName = 507,
    kLocalViewName = 508,
    kAddressName = 509,
    kUpDescription = 510,
    kStopDescription = 511,
    kDriveDescription = 512,
    kMainToolbar = 517,
    kFavouritesToolbar = 518,
    kDrivesToolbar = 519,
    kAddressDescription = 520,
    kTreeDescription = 521,
    kListDescription = 522,
    kLocalViewDescription = 523,
};

void describe(QWidget* widget, const QString& name, const QString& description)
{
    if (!widget)
        return;
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(description);
}

void describeButton(QToolBar* bar, QAction* action, const QString& description)
{
    // The caption as the button shows it, without a menu's mnemonic or dots.
    describe(bar->widgetForAction(action), action->iconText().remove(QLatin1Char('&')), description);
}

} // namespace

void ExplorerWindow::describeControls()
{
    auto text = [this](int number) { return texts_.GetString(number); };
    const struct
    {
        QAction* action;
        int description;
    } commands[] = {{mainButtons_[0], 498}, {mainButtons_[2], 499}, {actUpload_, 500},
                    {mainButtons_[3], 501}, {mainButtons_[5], 502}, {mainButtons_[6], 503},
                    {mainButtons_[7], 504}};
    for (const auto& command : commands)
        describeButton(tlbMain_, command.action, text(command.description));
    for (QAction* favourite : favButtons_)
        describeButton(tlbFav_, favourite, text(kFavouriteDescription));
    tlbMain_->setWindowTitle(text(kMainToolbar));
    tlbFav_->setWindowTitle(text(kFavouritesToolbar));
    describe(tvFolders_, text(kTreeName), text(kTreeDescription));
    describe(lstFiles_, text(kListName), text(kListDescription));
    describe(localPane_->findChild<QLineEdit*>(QStringLiteral("txtURL")), text(kAddressName),
             text(kAddressDescription));
    describe(localPane_->findChild<QWidget*>(QStringLiteral("wbDisk")), text(kLocalViewName),
             text(kLocalViewDescription));
    describe(findChild<QToolButton*>(QStringLiteral("cmdStop")), text(140), text(kStopDescription));

    // The drive toolbar is built anew at each start-up: Up first, then one button a drive.
    auto* drives = localPane_->findChild<QToolBar*>(QStringLiteral("tlbDrives"));
    drives->setWindowTitle(text(kDrivesToolbar));
    const QList<QAction*> driveButtons = drives->actions();
    for (qsizetype i = 0; i < driveButtons.size(); ++i)
        describeButton(drives, driveButtons[i],
                       i == 0 ? text(kUpDescription)
                              : text(kDriveDescription) + QLatin1Char(' ') + driveButtons[i]->toolTip());
}

void ExplorerWindow::setKeyboardOrder()
{
    // Tab walks the phone's side, then the local one: tree, list, address, folder.
    auto* address = localPane_->findChild<QLineEdit*>(QStringLiteral("txtURL"));
    auto* localView = localPane_->findChild<QWidget*>(QStringLiteral("wbDisk"));
    setTabOrder(tvFolders_, lstFiles_);
    setTabOrder(lstFiles_, address);
    setTabOrder(address, localView);
    // The drive toolbar's Up for the keyboard, by the keys the phone's list takes too.
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Backspace), QKeySequence(Qt::ALT | Qt::Key_Up)}) {
        auto* up = new QShortcut(keys, localView, nullptr, nullptr, Qt::WidgetShortcut);
        connect(up, &QShortcut::activated, localPane_, &LocalPane::GoUpOneLevel);
    }
}
