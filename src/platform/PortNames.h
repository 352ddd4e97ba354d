#pragma once

#include <QString>

// Which serial device a port number opens: the device configured for that
// number (the store's "Ports" section) when there is one, else the platform's
// own name for it.
QString resolvePortDevice(const QString& configuredDevice, int portNumber);
QString defaultPortDevice(int portNumber);
