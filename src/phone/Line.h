#pragma once

#include "platform/PortOpenFailure.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class LineTrace;

// Where the bytes to and from the phone pass. It knows nothing of commands
// and answers: the exchange above it does. Tests put a fake in its place.
class Line : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Every byte written and read passes it; none (nullptr) costs nothing.
    void setTrace(LineTrace* trace) { trace_ = trace; }
    // Everything that has arrived, seen by the trace.
    QByteArray read();
    // Every byte for the phone leaves here.
    void write(const QByteArray& bytes);

    virtual bool open(const QString& device) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Why the last open failed, in the terms a user can act on.
    virtual PortOpenFailure openFailure(const QString& device) const = 0;
    virtual QString errorString() const = 0;
    // Drops what has arrived, unseen: leftovers of earlier answers.
    virtual void discard() = 0;
    virtual qint64 bytesToWrite() const = 0;
    virtual qint64 baudRate() const = 0;
    // A long answer may be read in batches instead of every few bytes; the
    // wish is followed once the handlers of the arrival have run.
    virtual void wantBatches(bool wanted) { (void)wanted; }
    virtual void stopBatching() {}

signals:
    // Bytes are waiting to be read.
    void readable();
    // Bytes left for the phone: the line is alive.
    void written();
    // The line went away and is closed now; `wasOpen`: it was in use until then.
    void lost(bool wasOpen);

protected:
    virtual QByteArray takeArrived() = 0;
    virtual void send(const QByteArray& bytes) = 0;

private:
    LineTrace* trace_ = nullptr;
};
