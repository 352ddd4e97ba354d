#include "PhoneLink.h"

#include "PhoneObserver.h"
#include "PhoneTexts.h"

PhoneLink::PhoneLink(const LanguageTable& texts, PhoneObserver& observer, QObject* parent)
    : QObject(parent), report_(texts, observer), exchange_(line_, report_), marks_(journal_)
{
    exchange_.setTiming(Timing{});
    connect(&exchange_, &Exchange::started, this, &PhoneLink::beginBusy);
    connect(&exchange_, &Exchange::ended, this, &PhoneLink::endBusy);
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
    portLabel_ = portLabel;
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

void PhoneLink::beginBusy()
{
    if (busyDepth_++ > 0)
        return;
    // A Stop belongs to the command it was given in; so does a phone found silent.
    exchange_.newCommand();
    report_.observer().busyChanged(true);
}

void PhoneLink::endBusy()
{
    if (busyDepth_ > 0 && --busyDepth_ == 0)
        report_.observer().busyChanged(false);
}

void PhoneLink::onLineLost()
{
    setStatus(1, text(PhoneTexts::LineLost) + QLatin1Char(' ') + portLabel_ + QStringLiteral("! ") +
                     text(PhoneTexts::HowToReconnect));
    report_.observer().lineLost();
}
