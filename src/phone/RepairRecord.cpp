#include "RepairRecord.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString kLinesInStep = QStringLiteral("lines-in-step/");

QString lineKey(const QString& device)
{
    // Device paths hold slashes, which the store takes for groups.
    return kLinesInStep + QString::fromLatin1(device.toUtf8().toHex());
}

QString kindName(RepairRecord::Kind kind)
{
    return kind == RepairRecord::Kind::RestoreFile ? QStringLiteral("restore") : QStringLiteral("partial");
}

} // namespace

RepairRecord::RepairRecord(QString filePath) : path_(std::move(filePath)) {}

QString RepairRecord::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/repairs.ini");
}

QString RepairRecord::add(Repair repair)
{
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings store(path_, QSettings::IniFormat);
    // Time first, so that the ids sort in the order of adding.
    static int counter = 0;
    repair.id = QStringLiteral("r%1-%2-%3")
                    .arg(QDateTime::currentMSecsSinceEpoch(), 15, 10, QLatin1Char('0'))
                    .arg(QCoreApplication::applicationPid())
                    .arg(++counter, 6, 10, QLatin1Char('0'));
    store.beginGroup(repair.id);
    store.setValue(QStringLiteral("kind"), kindName(repair.kind));
    store.setValue(QStringLiteral("folder"), repair.folder);
    store.setValue(QStringLiteral("name"), repair.name);
    store.setValue(QStringLiteral("copy"), repair.copyPath);
    store.setValue(QStringLiteral("slice"), repair.sliceLength);
    store.setValue(QStringLiteral("device"), device_);
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError ? repair.id : QString();
}

void RepairRecord::remove(const QString& id)
{
    if (id.isEmpty())
        return;
    QSettings store(path_, QSettings::IniFormat);
    store.remove(id);
    store.sync();
}

QList<RepairRecord::Repair> RepairRecord::pending(const QString& device) const
{
    QList<Repair> repairs;
    if (!QFileInfo(path_).isFile())
        return repairs;
    QSettings store(path_, QSettings::IniFormat);
    QStringList ids = store.childGroups();
    ids.removeAll(kLinesInStep.chopped(1));
    std::sort(ids.begin(), ids.end());
    for (const QString& id : ids) {
        store.beginGroup(id);
        Repair repair;
        repair.id = id;
        repair.kind = store.value(QStringLiteral("kind")).toString() == QLatin1String("restore")
                          ? Kind::RestoreFile
                          : Kind::DeletePartial;
        repair.folder = store.value(QStringLiteral("folder")).toString();
        repair.name = store.value(QStringLiteral("name")).toString();
        repair.copyPath = store.value(QStringLiteral("copy")).toString();
        repair.sliceLength = store.value(QStringLiteral("slice")).toLongLong();
        repair.device = store.value(QStringLiteral("device")).toString();
        store.endGroup();
        if (!repair.name.isEmpty() && (device.isEmpty() || repair.device == device))
            repairs << repair;
    }
    return repairs;
}

void RepairRecord::noteLineInStep(const QString& device)
{
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings store(path_, QSettings::IniFormat);
    store.setValue(lineKey(device), true);
}

bool RepairRecord::takeLineInStep(const QString& device)
{
    if (!QFileInfo(path_).isFile())
        return false;
    QSettings store(path_, QSettings::IniFormat);
    const bool inStep = store.value(lineKey(device)).toBool();
    // Taken: a run killed from here on leaves no note behind.
    if (inStep) {
        store.remove(lineKey(device));
        store.sync();
    }
    return inStep;
}
