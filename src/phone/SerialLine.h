#pragma once

#include "Line.h"

#include <QSerialPort>
#include <QTimer>

// The phone's serial port, owned by one object. Long answers are read in
// batches: one wake-up every kBatchMillis instead of one for every few bytes
// the line delivers.
class SerialLine : public Line
{
    Q_OBJECT
public:
    explicit SerialLine(QObject* parent = nullptr);

    bool open(const QString& device) override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    PortOpenFailure openFailure(const QString& device) const override;
    QString errorString() const override { return port_.errorString(); }
    void discard() override;
    qint64 bytesToWrite() const override { return port_.bytesToWrite(); }
    qint64 baudRate() const override { return port_.baudRate(); }
    void wantBatches(bool wanted) override { batchWanted_ = wanted; }
    void stopBatching() override;

    static constexpr int kBatchMillis = 20;

protected:
    QByteArray takeArrived() override;
    void send(const QByteArray& bytes) override { port_.write(bytes); }

private:
    static constexpr int kLargestBatch = 3072;

    void onReadyRead();
    void followBatchWish();
    void takeBatch();
    void onPortError(QSerialPort::SerialPortError error);

    QSerialPort port_;
    QTimer batchTimer_;
    qsizetype lastRead_ = 0;
    bool batchWanted_ = false;
    bool batchDeclined_ = false;
    bool batching_ = false;
};
