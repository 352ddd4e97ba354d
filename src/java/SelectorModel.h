#pragma once

#include <QByteArray>
#include <QString>

#include <array>

// One folder of the phone's Java menu. Values are the file's bytes, kept as
// they were read so that writing them back changes nothing.
struct JavaFolder
{
    QByteArray Name; // empty: a free entry, unless the menu names the folder so
    QByteArray Modifiable;
    QByteArray Removable;
    bool Unnamed = false; // the menu holds this folder under an empty name

    bool inUse() const { return Unnamed || !Name.isEmpty(); }

    bool operator==(const JavaFolder&) const = default;
};

// A suite slot that the menu file does not list (a free slot).
inline constexpr int kNoFolder = -1;

// One installed suite with its single MIDlet entry.
struct JavaSuite
{
    // The folder entry it stands in: folders may share a name, so the entry
    // and not the name decides. 0: before the first folder, outside any.
    int Folder = kNoFolder;
    QByteArray SuiteName; // empty: a free slot
    QByteArray Root;      // "s" + number + "_": prefix of the suite's files in "/java"
    qint16 Num = 1;
    QByteArray Domain;
    QByteArray MidletName;
    QByteArray Icon;
    QByteArray ClassName;

    bool operator==(const JavaSuite&) const = default;
};

// The phone's menu: 16 folders and 64 suites, as the file format allows.
// Index 0 of both arrays is never written; entries are used from 1.
struct SelectorModel
{
    static constexpr int kFolderCount = 16;
    static constexpr int kSuiteCount = 64;

    std::array<JavaFolder, kFolderCount + 1> JavaFolders;
    std::array<JavaSuite, kSuiteCount + 1> JavaSuites;
    qint16 NextRoot = 0;

    // 1-based index of the first folder / suite slot with that name; 0 when none.
    int folderNamed(const QByteArray& name) const;
    // The name of the folder a suite stands in ("" outside any folder).
    QByteArray folderNameOf(const JavaSuite& suite) const;
    // Whether the menu file lists the suite: outside any folder or in a folder in use.
    bool isListed(const JavaSuite& suite) const;
    // Takes a suite off the menu; its slot becomes free.
    void clearSlot(int slot);
    int suiteNamed(const QByteArray& name) const;
    // The lowest slot with an empty suite name; 0 when all 64 are taken.
    int firstFreeSlot() const;
    // Whether some suite that the menu file would list uses this root.
    bool rootInUse(const QByteArray& root) const;
};

// A value as the user sees it: UTF-8 when it is valid UTF-8, else Latin-1.
QString displayText(const QByteArray& value);
// A value typed by the user (command line, window) as the file's bytes.
QByteArray fileBytes(const QString& value);
