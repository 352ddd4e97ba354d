#pragma once

class QSerialPort;

// The line settings the phone expects: 115200 baud, 8 data bits, no parity,
// one stop bit, no handshaking.
void configurePhoneLine(QSerialPort& port);
