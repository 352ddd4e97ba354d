#include "LocalNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// "photo.jpg" as "photo (2).jpg"; "notes" as "notes (2)".
QString numberedName(const QString& name, int number)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString tag = QStringLiteral(" (%1)").arg(number);
    return dot > 0 ? name.left(dot) + tag + name.mid(dot) : name + tag;
}

} // namespace

QString LocalNames::diskKey(const QString& name) const
{
    // What the disk makes of the name: characters it cannot hold come back replaced.
    const QString stored = QFile::decodeName(QFile::encodeName(name));
    return foldsCase_ ? stored.normalized(QString::NormalizationForm_C).toCaseFolded() : stored;
}

QString LocalNames::take(const QString& folder, const QString& name)
{
    QSet<QString>& taken = taken_[folder];
    QString candidate = name;
    const QString stored = QFile::decodeName(QFile::encodeName(name));
    for (int number = 2; taken.contains(diskKey(candidate)); ++number)
        candidate = numberedName(stored, number);
    taken.insert(diskKey(candidate));
    return candidate;
}

bool foldsCase(const QString& folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("vantrel-case-probe-XXXXXX")));
    // A folder that cannot be asked is taken to fold: a number too many loses nothing.
    if (!probe.open())
        return true;
    const QFileInfo info(probe.fileName());
    return QFileInfo::exists(QDir(info.path()).filePath(info.fileName().toUpper()));
}
