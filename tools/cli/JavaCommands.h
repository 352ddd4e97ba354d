#pragma once

#include <QStringList>

class PhoneLink;

// The lines of `--help` that describe `java`.
extern const char* const kJavaUsage;

// `vantrel-cli java list|install|remove|export ...`: each reads the phone's
// Java menu first; install and remove send the edited menu back.
int runJava(PhoneLink& link, const QStringList& arguments);
