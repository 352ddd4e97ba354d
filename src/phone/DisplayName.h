#pragma once

#include <QString>

// Names from the phone may hold characters that act instead of showing: a line
// feed forges a line, an escape sequence drives the terminal. These forms show
// every name as one harmless line.

// C0 and C1 controls, DEL, and the line and paragraph separators.
bool isControlCharacter(QChar c);

// For lists: each such character as the visible replacement character U+FFFD
// (the shipped fonts have no pictures of the controls themselves).
QString withVisibleControls(const QString& name);

// For a terminal, as `ls` quotes there: a name with such characters becomes
// 'a'$'\n''b' (shell quoting, controls as $'...' escapes); others stay as they are.
QString quotedForTerminal(const QString& name);

// For a pipe, one fixed reversible form: C escapes (\n, \t, \r, \\ and \ooo
// octal for the other bytes of such characters in UTF-8).
QString escapedForPipe(const QString& name);
