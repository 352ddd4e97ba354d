#include "SerialLine.h"

#include "platform/SerialPortSetup.h"

SerialLine::SerialLine(QObject* parent) : Line(parent)
{
    connect(&port_, &QSerialPort::readyRead, this, &SerialLine::onReadyRead);
    connect(&port_, &QSerialPort::bytesWritten, this, &Line::written);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialLine::onPortError);
    connect(&batchTimer_, &QTimer::timeout, this, &SerialLine::takeBatch);
}

bool SerialLine::open(const QString& device)
{
    port_.setPortName(device);
    configurePhoneLine(port_);
    if (!port_.open(QIODevice::ReadWrite))
        return false;
    // A pseudo-terminal refuses these; a real cable wants them up.
    port_.setDataTerminalReady(true);
    port_.setRequestToSend(true);
    port_.clearError();
    return true;
}

void SerialLine::close()
{
    port_.close();
}

PortOpenFailure SerialLine::openFailure(const QString& device) const
{
    return classifyOpenFailure(device, port_.error());
}

void SerialLine::discard()
{
    if (port_.isOpen())
        port_.readAll();
}

QByteArray SerialLine::takeArrived()
{
    QByteArray chunk = port_.readAll();
    lastRead_ = chunk.size();
    return chunk;
}

void SerialLine::onReadyRead()
{
    // While batching, the byte that filled the port's buffer waits for the next batch.
    if (batching_)
        return;
    emit readable();
    followBatchWish();
}

void SerialLine::followBatchWish()
{
    const bool wanted = batchWanted_ && !batchDeclined_;
    if (wanted == batching_ || !port_.isOpen())
        return;
    batching_ = wanted;
    if (batching_) {
        // A full buffer stops the port's reading until the next batch takes it.
        port_.setReadBufferSize(1);
        batchTimer_.start(kBatchMillis);
        return;
    }
    batchTimer_.stop();
    port_.setReadBufferSize(0);
    emit readable();
}

void SerialLine::stopBatching()
{
    batchWanted_ = batching_ = batchDeclined_ = false;
    batchTimer_.stop();
    port_.setReadBufferSize(0);
}

void SerialLine::takeBatch()
{
    if (!port_.isOpen())
        return;
    // Everything the driver holds, in one read.
    port_.setReadBufferSize(0);
    port_.waitForReadyRead(0);
    lastRead_ = 0;
    emit readable();
    // A line fast enough to nearly fill the driver's buffer between batches
    // arrives in large pieces anyway: read it as it comes.
    if (lastRead_ >= kLargestBatch)
        batchDeclined_ = true;
    if (batching_ && port_.isOpen())
        port_.setReadBufferSize(1);
    followBatchWish();
}

void SerialLine::onPortError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError &&
        error != QSerialPort::WriteError)
        return;
    // Closing here stops Qt from raising the same error over and over.
    const bool wasOpen = port_.isOpen();
    port_.close();
    emit lost(wasOpen);
}
