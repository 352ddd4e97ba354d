#include "PhoneLink.h"

#include "CarryOutRepairs.h"
#include "PhoneObserver.h"
#include "PhoneOperations.h"
#include "PhoneTexts.h"

PhoneLink::PhoneLink(const LanguageTable& texts, PhoneObserver& observer, QObject* parent)
    : QObject(parent), report_(texts, observer), exchange_(line_, report_), marks_(journal_)
{
    exchange_.setTiming(Timing{});
    connect(&exchange_.keeper(), &LineKeeper::quietOwed, this, [this](qint64 quiet) { marks_.hold(quiet); });
    connect(&exchange_, &Exchange::lineLost, this, &PhoneLink::onLineLost);
}

PhoneLink::~PhoneLink()
{
    cancel();
    ClosePort();
}

void PhoneLink::setTiming(const Timing& timing)
{
    exchange_.setTiming(timing.sane());
}

bool PhoneLink::OpenPort(const QString& portLabel, const QString& device)
{
    if (exchange_.isRunning())
        cancel();
    report_.setPortLabel(portLabel);
    setStatus(1, text(PhoneTexts::Opening) + QLatin1Char(' ') + portLabel + QStringLiteral("..."));
    ClosePort();
    exchange_.resume(LineStand{}, 0);
    device_ = device;
    if (!line_.open(device)) {
        setStatus(1, openFailureText(portLabel, device));
        return false;
    }
    identity_ = PhoneIdentity{};
    qint64 pause = 0;
    const LineStand stand = marks_.take(device_, timing().LineSettle, pause);
    exchange_.resume(stand, pause);
    setStatus(1, text(PhoneTexts::OpenedBefore) + QLatin1Char(' ') + portLabel + QLatin1Char(' ') +
                     text(PhoneTexts::OpenedAfter) + QStringLiteral("."));
    return true;
}

QString PhoneLink::openFailureText(const QString& portLabel, const QString& device) const
{
    // Which device, why, and where to choose another: a first run without a
    // phone has nothing else to go on.
    QString failure = text(PhoneTexts::OpenFailed) + QLatin1Char(' ') + portLabel;
    if (device != portLabel)
        failure += QStringLiteral(" (") + device + QLatin1Char(')');
    failure += QStringLiteral("! ");
    switch (line_.openFailure(device)) {
    case PortOpenFailure::NoSuchDevice:
        failure += text(PhoneTexts::NoSuchDevice);
        break;
    case PortOpenFailure::NoPermission:
        failure += text(PhoneTexts::NoPermission);
        break;
    case PortOpenFailure::InUse:
        failure += text(PhoneTexts::PortInUse);
        break;
    case PortOpenFailure::Other:
        failure += line_.errorString() + QLatin1Char('.');
        break;
    }
    return failure + QLatin1Char(' ') + text(PhoneTexts::ChooseAnotherPort);
}

void PhoneLink::ClosePort()
{
    if (!line_.isOpen())
        return;
    marks_.release(exchange_.keeper().quietNeededAfterClose(), exchange_.keeper().pauseLeft());
    line_.close();
}

void PhoneLink::abandonLine()
{
    exchange_.letGo();
}

void PhoneLink::onLineLost()
{
    setStatus(1, text(PhoneTexts::LineLost) + QLatin1Char(' ') + portLabel() + QStringLiteral("! ") +
                     text(PhoneTexts::HowToReconnect));
    report_.observer().lineLost();
}

bool PhoneLink::IdentifyPhone()
{
    if (identity_.answered)
        return true;
    PhoneIdentity identity;
    identity.device = device_;
    if (!phone::IdentifyPhone(exchange_, report_, identity))
        return false;
    identity_ = identity;
    return true;
}

int PhoneLink::CarryOutRepairs()
{
    return ::CarryOutRepairs(*this, repairReport_);
}

ListingResult PhoneLink::ListFolder(const QString& folder)
{
    const bool javaFolder = folder == QLatin1String("/java/");
    // A failed listing must not leave the names of an earlier one.
    if (javaFolder)
        JavaFileNames.clear();
    const ListingResult result =
        phone::ListFolder(exchange_, report_, folder, showInternal_ && folder == QLatin1String("/"));
    if (javaFolder && result.outcome == Outcome::Done) {
        for (const PhoneEntry& entry : result.entries) {
            if (!entry.isFolder)
                JavaFileNames << entry.name;
        }
    }
    return result;
}

BatteryResult PhoneLink::ShowBatteryCharge()
{
    if (!isOpen())
        return {};
    if (!displayCharge_) {
        setStatus(2, QString());
        return {};
    }
    return QueryBatteryCharge();
}

BatteryResult PhoneLink::QueryBatteryCharge()
{
    return phone::QueryBatteryCharge(exchange_, report_);
}

Outcome PhoneLink::ReadFile(const QString& folder, const QString& name, const QString& localFolder,
                            const QString& localName, std::optional<qint64> listedSize)
{
    return phone::ReadFile(exchange_, report_, folder, name, localFolder, localName, listedSize);
}

Outcome PhoneLink::DeleteFile(const QString& name, const QString& folder)
{
    return phone::DeleteFile(exchange_, report_, name, folder);
}
