#pragma once

#include "PackageArchive.h"
#include "SelectorModel.h"

#include <QString>
#include <QStringList>

class PhoneLink;

// How a package procedure ended: text 0 when it did its work, else the
// language text that says why not.
struct PackageResult
{
    int text = 0;
    int slot = 0;   // install: the slot the suite took
    QString folder; // export: the package folder made

    bool ok() const { return text == 0; }
    static PackageResult failed(int text) { return PackageResult{text, 0, QString()}; }
};

// Installs a package (".vnj") as a new suite of the menu folder entry `folder`:
// unpacks it into a folder of its own inside the working folder, takes the
// first free slot and the root "s" + NextRoot + "_", and leaves the suite's
// files in the working folder under their phone names. On failure the model
// and the working folder are as they were.
PackageResult InstallPackage(SelectorModel& model, const QString& packagePath, const QString& workingFolder,
                             int folder, const UnpackLimits& limits = {});

// Exports an installed suite as an unpacked package folder inside
// `destination`, named after its MIDlet, with the suite's files fetched from
// the phone folder "/java" (`javaFileNames`: that folder's latest listing).
// A failed download abandons the package and leaves no folder behind.
PackageResult CreatePackage(const SelectorModel& model, const QByteArray& suiteName,
                            const QString& destination, PhoneLink& link, const QStringList& javaFileNames);

// The folder name for a MIDlet: blanks become "_", and nothing in it can
// reach outside the folder it is made in.
QString packageFolderName(const QByteArray& midletName);
