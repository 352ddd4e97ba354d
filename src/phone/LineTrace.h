#pragma once

#include <QByteArray>

// Sees every byte the link writes to the phone and reads from it, as it
// passes. The link holds none unless one is set, so watching costs nothing
// while nobody watches.
class LineTrace
{
public:
    virtual ~LineTrace() = default;
    virtual void sent(const QByteArray& bytes) = 0;
    virtual void received(const QByteArray& bytes) = 0;
};
