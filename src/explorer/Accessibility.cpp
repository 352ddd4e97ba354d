#include "Accessibility.h"

#include "FileList.h"
#include "FolderTree.h"
#include "LocalPane.h"
#include "MainMenus.h"
#include "PhonePane.h"
#include "settings/LanguageTable.h"

#include <QLineEdit>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>

namespace {

enum Text
{
    kFirstCommandDescription = 498,
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

void describeControls(const LanguageTable& texts, const MainMenus& menus, const PhonePane& phone,
                      LocalPane& local, QWidget& window)
{
    auto text = [&texts](int number) { return texts.GetString(number); };
    const QList<QAction*> commands = menus.commandButtons();
    for (qsizetype i = 0; i < commands.size(); ++i)
        describeButton(menus.mainToolbar(), commands[i],
                       text(kFirstCommandDescription + static_cast<int>(i)));
    menus.mainToolbar()->setWindowTitle(text(kMainToolbar));
    for (QAction* favourite : phone.favouriteActions())
        describeButton(phone.favouritesBar(), favourite, text(kFavouriteDescription));
    phone.favouritesBar()->setWindowTitle(text(kFavouritesToolbar));
    describe(phone.folderTree(), text(kTreeName), text(kTreeDescription));
    describe(phone.fileList(), text(kListName), text(kListDescription));
    describe(local.findChild<QLineEdit*>(QStringLiteral("txtURL")), text(kAddressName),
             text(kAddressDescription));
    describe(local.findChild<QWidget*>(QStringLiteral("wbDisk")), text(kLocalViewName),
             text(kLocalViewDescription));
    describe(window.findChild<QToolButton*>(QStringLiteral("cmdStop")), text(140), text(kStopDescription));

    // The drive toolbar is built anew at each start-up: Up first, then one button a drive.
    auto* drives = local.findChild<QToolBar*>(QStringLiteral("tlbDrives"));
    drives->setWindowTitle(text(kDrivesToolbar));
    const QList<QAction*> driveButtons = drives->actions();
    for (qsizetype i = 0; i < driveButtons.size(); ++i)
        describeButton(drives, driveButtons[i],
                       i == 0 ? text(kUpDescription)
                              : text(kDriveDescription) + QLatin1Char(' ') + driveButtons[i]->toolTip());
}

void setKeyboardOrder(const PhonePane& phone, LocalPane& local)
{
    auto* address = local.findChild<QLineEdit*>(QStringLiteral("txtURL"));
    auto* localView = local.findChild<QWidget*>(QStringLiteral("wbDisk"));
    QWidget::setTabOrder(phone.folderTree(), phone.fileList());
    QWidget::setTabOrder(phone.fileList(), address);
    QWidget::setTabOrder(address, localView);
    // The drive toolbar's Up for the keyboard, by the keys the phone's list takes too.
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Backspace), QKeySequence(Qt::ALT | Qt::Key_Up)}) {
        auto* up = new QShortcut(keys, localView, nullptr, nullptr, Qt::WidgetShortcut);
        QObject::connect(up, &QShortcut::activated, &local, &LocalPane::GoUpOneLevel);
    }
}
