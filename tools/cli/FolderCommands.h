#pragma once

#include <QStringList>

class PhoneLink;

// The lines of `--help` that describe `get -r` and `backup`.
extern const char* const kFolderUsage;

// `get -r PHONEFOLDER... [--to DIR] [--update]`: each folder with its
// sub-folders into a local folder of its name inside DIR.
int runGetFolders(PhoneLink& link, const QStringList& arguments);
// `backup DIR [--update]`: every folder the phone lists, into DIR.
int runBackup(PhoneLink& link, const QStringList& arguments);
