#include "Line.h"

#include "LineTrace.h"

QByteArray Line::read()
{
    if (!isOpen())
        return {};
    const QByteArray chunk = takeArrived();
    if (trace_ && !chunk.isEmpty())
        trace_->received(chunk);
    return chunk;
}

void Line::write(const QByteArray& bytes)
{
    if (trace_)
        trace_->sent(bytes);
    send(bytes);
}
