#pragma once

#include <QStringList>

class PhoneLink;

// `repairs`: what the repair journal holds, or `--forget ID` to drop one entry.
int runRepairs(PhoneLink& link, const QStringList& arguments);
