#pragma once

#include <QByteArrayView>

// Result codes a phone sends on its own (a call ringing, a message arriving).
// They say nothing about the answer being waited for.
bool isUnsolicitedCode(QByteArrayView line);

// True when every line in the piece is empty or such a code: the piece is no
// sign that an answer is progressing.
bool holdsOnlyUnsolicitedCodes(QByteArrayView piece);
