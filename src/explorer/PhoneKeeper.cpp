#include "PhoneKeeper.h"

#include "StatusPanels.h"
#include "phone/PhoneLink.h"
#include "settings/LanguageTable.h"

#include <utility>

namespace {
constexpr int kWaitingForThePhone = 620;
} // namespace

PhoneKeeper::PhoneKeeper(PhoneLink& link, const LanguageTable& texts, StatusPanels& status, QObject* parent)
    : QObject(parent), link_(link), texts_(texts), status_(status)
{
    connect(&watcher_, &PortWatcher::deviceBack, this, &PhoneKeeper::reconnectWanted);
}

void PhoneKeeper::connected()
{
    // Kept now: the link forgets which phone it had when the line goes.
    known_ = link_.identity();
}

void PhoneKeeper::lineLost(const QString& device, const QString& listedFolder)
{
    lostFolder_ = listedFolder;
    watch(device);
}

void PhoneKeeper::openFailed(const QString& device)
{
    watch(device);
}

void PhoneKeeper::watch(const QString& device)
{
    if (device.isEmpty())
        return;
    watcher_.watch(device);
    // Beside the reason, which stays whole in its panel, where the phone's name was.
    const QString waiting = texts_.GetString(kWaitingForThePhone);
    status_.showPhone(waiting + QStringLiteral("\u2026"), waiting + QStringLiteral(": ") + device);
}

PhoneKeeper::Back PhoneKeeper::reconnected()
{
    watcher_.stop();
    Back back;
    back.hadPhone = known_.answered;
    back.samePhone = back.hadPhone && link_.identity().answered && known_.key() == link_.identity().key();
    // Another phone's folders are not the lost one's: it starts from its root.
    const QString folder = std::exchange(lostFolder_, QString());
    if (back.samePhone)
        back.folder = folder;
    return back;
}

void PhoneKeeper::ReconnectCommand()
{
    if (link_.isOpen())
        return;
    // A device not back yet is tried all the same: the open says why it fails.
    if (!watcher_.checkNow())
        emit reconnectWanted();
}
