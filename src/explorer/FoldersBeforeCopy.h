#pragma once

#include <QStringList>

// The local folders a folder copy finds before it starts, so that a copy that
// ends early can take away the folders it made and left empty, and only those.
class FoldersBeforeCopy
{
public:
    // `target`: the folder the copy fills (in `destination`, or the destination itself).
    FoldersBeforeCopy(const QString& destination, const QString& target);
    void removeEmptyFoldersMade() const;

private:
    QString destination_;
    QString target_;
    QStringList topFolders_;   // directly in the destination
    QStringList emptyFolders_; // in the target, the target too
};
