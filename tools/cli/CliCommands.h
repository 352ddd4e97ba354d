#pragma once

#include <QStringList>

class PhoneLink;
class QJsonDocument;

// Exit statuses of the client.
enum ExitStatus : int
{
    ExitSuccess = 0,
    ExitPhoneFailed = 1,
    ExitUsage = 2,
    ExitInterrupted = 130 // as a shell reports a program ended by Ctrl-C
};

// A phone path "/a/b/name" as its folder ("/a/b/") and name; false without a name.
bool splitPhoneFilePath(const QString& path, QString& folder, QString& name);
// A phone folder with a leading and a closing "/".
QString normalisedPhoneFolder(const QString& folder);

int runList(PhoneLink& link, const QStringList& arguments);
int runBattery(PhoneLink& link, const QStringList& arguments);
int runGet(PhoneLink& link, const QStringList& arguments);
int runPut(PhoneLink& link, const QStringList& arguments);
int runRemove(PhoneLink& link, const QStringList& arguments);

void printUsageError(const QString& problem);
// One JSON document on stdout; names in it as they are, never a control character.
void printJson(const QJsonDocument& document);
