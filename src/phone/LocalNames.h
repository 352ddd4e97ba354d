#pragma once

#include <QHash>
#include <QSet>
#include <QString>

// Whether names in `folder` differ only when more than their case differs.
bool foldsCase(const QString& folder);

// The names one command gave in local folders, compared as the disk compares
// them (case on a disk that ignores it, characters it cannot hold): a name
// already taken gets a number, "photo (2).jpg".
class LocalNames
{
public:
    explicit LocalNames(bool foldsCase) : foldsCase_(foldsCase) {}
    QString take(const QString& folder, const QString& name);

private:
    QString diskKey(const QString& name) const;

    bool foldsCase_;
    QHash<QString, QSet<QString>> taken_;
};
