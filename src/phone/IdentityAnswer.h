#pragma once

#include <QByteArray>
#include <QString>

// Reading the phone's short answers about itself (AT+CGSN, AT+CGMM, AT+CGMR).

// The answer's one line of information: not the echoed command, not the
// result code; printable ASCII only, at most a few dozen characters.
QString informationLine(const QByteArray& answer, const QByteArray& command);
// A line of its own reading OK or ERROR: a model name may well hold "OK".
bool finalResultArrived(const QByteArray& answer);
// The final result is ERROR.
bool answeredError(const QByteArray& answer);
// Lines of a listing, a download or a battery answer: an earlier command's, not ours.
bool holdsAnotherAnswer(const QByteArray& answer);
