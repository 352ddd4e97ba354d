#include "PhoneLink.h"

#include "ExchangeScope.h"
#include "PhoneObserver.h"
#include "PhoneTexts.h"
#include "platform/PortOpenFailure.h"
#include "platform/SerialPortSetup.h"
#include "settings/LanguageTable.h"

#include <QEventLoop>

PhoneLink::PhoneLink(const LanguageTable& texts, PhoneObserver& observer, QObject* parent)
    : QObject(parent), texts_(texts), observer_(observer)
{
    for (QTimer* timer : {&tmrTimeout_, &tmrProcessing_, &graceTimer_})
        timer->setSingleShot(true);
    tmrTimeout_.setInterval(timing_.TimeOutTime);
    tmrProcessing_.setInterval(timing_.DelayTime);

    connect(&tmrTimeout_, &QTimer::timeout, this, &PhoneLink::onTimeOutTick);
    connect(&tmrProcessing_, &QTimer::timeout, this, [this] {
        Processing = false;
        wake();
    });
    connect(&graceTimer_, &QTimer::timeout, this, &PhoneLink::wake);
    connect(&port_, &QSerialPort::readyRead, this, &PhoneLink::wake);
    connect(&port_, &QSerialPort::bytesWritten, this, [this] {
        // Bytes leaving for the phone show the line is alive.
        lineActivity_.restart();
        wake();
    });
    connect(&port_, &QSerialPort::errorOccurred, this, &PhoneLink::onPortError);
}

PhoneLink::~PhoneLink()
{
    cancel();
    ClosePort();
}

void PhoneLink::setTiming(const Timing& timing)
{
    timing_ = timing;
    // A hand-edited store may hold zero or less; such a timer would never end a wait.
    const Timing defaults;
    if (timing_.TimeOutTime <= 0)
        timing_.TimeOutTime = defaults.TimeOutTime;
    if (timing_.DelayTime <= 0)
        timing_.DelayTime = defaults.DelayTime;
    if (timing_.SliceSize <= 0)
        timing_.SliceSize = defaults.SliceSize;
    if (timing_.FinalLineGrace <= 0)
        timing_.FinalLineGrace = defaults.FinalLineGrace;
    tmrTimeout_.setInterval(timing_.TimeOutTime);
    tmrProcessing_.setInterval(timing_.DelayTime);
}

QString PhoneLink::text(int number) const
{
    return texts_.GetString(number);
}

void PhoneLink::setStatus(int panel, const QString& text)
{
    if (panel == 1)
        panel1_ = text;
    observer_.statusText(panel, text);
}

bool PhoneLink::OpenPort(const QString& portLabel, const QString& device)
{
    if (exchangeRunning_)
        cancel();
    portLabel_ = portLabel;
    setStatus(1, text(PhoneTexts::Opening) + QLatin1Char(' ') + portLabel + QStringLiteral("..."));
    ClosePort();
    lineLost_ = false;
    port_.setPortName(device);
    configurePhoneLine(port_);
    if (!port_.open(QIODevice::ReadWrite)) {
        setStatus(1, openFailureText(portLabel, device));
        return false;
    }
    // A pseudo-terminal refuses these; a real cable wants them up.
    port_.setDataTerminalReady(true);
    port_.setRequestToSend(true);
    port_.clearError();
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
    switch (classifyOpenFailure(device, port_.error())) {
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
        failure += port_.errorString() + QLatin1Char('.');
        break;
    }
    return failure + QLatin1Char(' ') + text(PhoneTexts::ChooseAnotherPort);
}

void PhoneLink::ClosePort()
{
    if (port_.isOpen())
        port_.close();
}

bool PhoneLink::isOpen() const
{
    return port_.isOpen();
}

void PhoneLink::cancel()
{
    if (!exchangeRunning_)
        return;
    cancelled_ = true;
    wake();
}

void PhoneLink::beginBusy()
{
    if (busyDepth_++ == 0)
        observer_.busyChanged(true);
}

void PhoneLink::endBusy()
{
    if (busyDepth_ > 0 && --busyDepth_ == 0)
        observer_.busyChanged(false);
}

void PhoneLink::onPortError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError &&
        error != QSerialPort::WriteError)
        return;
    // Closing here stops Qt from raising the same error over and over.
    const bool wasOpen = port_.isOpen();
    port_.close();
    if (wasOpen && !lineLost_) {
        lineLost_ = true;
        setStatus(1, text(PhoneTexts::LineLost) + QLatin1Char(' ') + portLabel_ + QStringLiteral("! ") +
                         text(PhoneTexts::HowToReconnect));
        observer_.lineLost();
    }
    wake();
}

void PhoneLink::wake()
{
    if (activeLoop_)
        activeLoop_->quit();
}

void PhoneLink::discardStaleInput()
{
    // Leftovers of an earlier answer (the "OK" after an upload's pause) would
    // otherwise end the next exchange early.
    if (port_.isOpen())
        port_.readAll();
    ReceiveBuffer.clear();
    LastChunk.clear();
}

void PhoneLink::sendCommand(const QString& command)
{
    port_.write(command.toLatin1() + "\r\n");
}

void PhoneLink::startTimeOut()
{
    TimedOut = false;
    lineActivity_.restart();
    tmrTimeout_.start(timing_.TimeOutTime);
}

void PhoneLink::onTimeOutTick()
{
    // The time-out measures the line's silence. Activity only notes the time,
    // and the tick waits out the rest: restarting a timer for every few bytes
    // would cost more than the bytes themselves.
    const qint64 silent = lineActivity_.elapsed();
    if (silent < timing_.TimeOutTime) {
        tmrTimeout_.start(static_cast<int>(timing_.TimeOutTime - silent));
        return;
    }
    TimedOut = true;
    wake();
}

void PhoneLink::readWaiting()
{
    if (!port_.isOpen()) {
        LastChunk.clear();
        return;
    }
    LastChunk = port_.readAll();
    if (LastChunk.isEmpty())
        return;
    // A long answer that keeps arriving is not cut off.
    lineActivity_.restart();
    if (binarySink_)
        binarySink_(LastChunk);
    else
        ReceiveBuffer += LastChunk;
}

void PhoneLink::runEventsUntilWoken()
{
    QEventLoop loop;
    QEventLoop* outer = activeLoop_;
    activeLoop_ = &loop;
    loop.exec();
    activeLoop_ = outer;
}

PhoneLink::WaitEnd PhoneLink::waitUntil(const std::function<bool()>& satisfied)
{
    for (;;) {
        readWaiting();
        if (cancelled_)
            return WaitEnd::Cancelled;
        if (satisfied())
            return WaitEnd::Satisfied;
        if (!port_.isOpen())
            return WaitEnd::LineLost;
        if (TimedOut)
            return WaitEnd::TimedOut;
        runEventsUntilWoken();
    }
}

PhoneLink::WaitEnd PhoneLink::delayWait(const std::function<void()>& onChunk)
{
    Processing = true;
    tmrProcessing_.start();
    const WaitEnd end = waitUntil([&] {
        if (onChunk && !LastChunk.isEmpty())
            onChunk();
        return !Processing;
    });
    tmrProcessing_.stop();
    Processing = false;
    return end;
}
