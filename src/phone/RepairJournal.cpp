#include "RepairJournal.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QMap>
#include <QSaveFile>
#include <QStandardPaths>

struct RepairJournal::Content
{
    QList<Entry> entries;
    QMap<QString, LineMark> lines; // by device
};

namespace {

constexpr int kLockWaitMillis = 3000;
// The settings allow no larger slice.
constexpr qint64 kLargestSlice = 32767;
constexpr qint64 kLongestQuiet = 10 * 60 * 1000;

QString kindName(RepairJournal::Kind kind)
{
    return kind == RepairJournal::Kind::RestoreFile ? QStringLiteral("restore") : QStringLiteral("partial");
}

QJsonObject toJson(const RepairJournal::Entry& entry)
{
    return QJsonObject{{"id", entry.id},
                       {"kind", kindName(entry.kind)},
                       {"phone", entry.phone},
                       {"phoneShown", entry.phoneShown},
                       {"device", entry.device},
                       {"folder", entry.folder},
                       {"name", entry.name},
                       {"confirmed", double(entry.confirmed)},
                       {"onTheWay", double(entry.onTheWay)},
                       {"sliceOpen", entry.sliceOpen},
                       {"copy", entry.copyPath},
                       {"copySize", double(entry.copySize)},
                       {"copySum", QString::fromLatin1(entry.copySum.toHex())},
                       {"ownsCopy", entry.ownsCopy},
                       {"tries", entry.tries},
                       {"recordedAt", double(entry.recordedAt)},
                       {"lastSeenAt", double(entry.lastSeenAt)}};
}

RepairJournal::Entry entryFrom(const QJsonObject& object)
{
    RepairJournal::Entry entry;
    entry.id = object.value("id").toString();
    entry.kind = object.value("kind").toString() == QLatin1String("restore")
                     ? RepairJournal::Kind::RestoreFile
                     : RepairJournal::Kind::DeletePartial;
    entry.phone = object.value("phone").toString();
    entry.phoneShown = object.value("phoneShown").toString();
    entry.device = object.value("device").toString();
    entry.folder = object.value("folder").toString();
    entry.name = object.value("name").toString();
    entry.confirmed = object.value("confirmed").toInteger();
    // A hand-edited or damaged journal never asks for more than a slice can hold.
    entry.onTheWay = qBound<qint64>(0, object.value("onTheWay").toInteger(), kLargestSlice);
    entry.sliceOpen = object.value("sliceOpen").toBool();
    entry.copyPath = object.value("copy").toString();
    entry.copySize = object.value("copySize").toInteger();
    entry.copySum = QByteArray::fromHex(object.value("copySum").toString().toLatin1());
    entry.ownsCopy = object.value("ownsCopy").toBool(true);
    entry.tries = object.value("tries").toInt();
    entry.recordedAt = object.value("recordedAt").toInteger();
    entry.lastSeenAt = object.value("lastSeenAt").toInteger();
    return entry;
}

} // namespace

RepairJournal::RepairJournal(QString filePath) : path_(std::move(filePath)) {}

QString RepairJournal::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/repair-journal.json");
}

QString RepairJournal::copiesFolder() const
{
    return QFileInfo(path_).absolutePath() + QStringLiteral("/replaced");
}

RepairJournal::Content RepairJournal::read() const
{
    Content content;
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly))
        return content;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    for (const QJsonValue& value : root.value("entries").toArray()) {
        Entry entry = entryFrom(value.toObject());
        if (!entry.id.isEmpty() && !entry.name.isEmpty() && !entry.phone.isEmpty())
            content.entries << entry;
    }
    const QJsonObject lines = root.value("lines").toObject();
    for (auto line = lines.begin(); line != lines.end(); ++line) {
        const QJsonObject object = line.value().toObject();
        // Nor a wait longer than any answer takes.
        content.lines.insert(line.key(),
                             LineMark{object.value("pid").toInteger(),
                                      qBound<qint64>(0, object.value("quiet").toInteger(), kLongestQuiet),
                                      object.value("endedAt").toInteger(),
                                      qBound<qint64>(0, object.value("pause").toInteger(), kLongestQuiet)});
    }
    return content;
}

bool RepairJournal::write(const Content& content)
{
    QJsonArray entries;
    for (const Entry& entry : content.entries)
        entries << toJson(entry);
    QJsonObject lines;
    for (auto line = content.lines.begin(); line != content.lines.end(); ++line)
        lines.insert(line.key(), QJsonObject{{"pid", double(line->pid)},
                                             {"quiet", double(line->quietMillis)},
                                             {"endedAt", double(line->endedAt)},
                                             {"pause", double(line->pauseMillis)}});
    // Written whole under a temporary name: a killed program leaves the old journal or the new one.
    // Unbuffered, so that a write the disk cuts short (full, a size limit) is seen at once.
    QSaveFile file(path_);
    const QByteArray bytes = QJsonDocument(QJsonObject{{"entries", entries}, {"lines", lines}}).toJson();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size() ||
        !file.commit()) {
        error_ = file.errorString();
        return false;
    }
    // An entry is only as good as what the disk holds.
    if (QFileInfo(path_).size() != bytes.size()) {
        error_ = QStringLiteral("the file was not written whole");
        return false;
    }
    return true;
}

template <typename Change> bool RepairJournal::change(Change&& change)
{
    error_.clear();
    if (!QDir().mkpath(QFileInfo(path_).absolutePath())) {
        QSaveFile probe(path_);
        error_ = probe.open(QIODevice::WriteOnly) ? QStringLiteral("the folder cannot be made")
                                                  : probe.errorString();
        return false;
    }
    // A window and a client may change the journal at the same time.
    QLockFile lock(path_ + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMillis)) {
        QSaveFile probe(path_);
        error_ = probe.open(QIODevice::WriteOnly) ? QStringLiteral("locked by another program")
                                                  : probe.errorString();
        return false;
    }
    Content content = read();
    if (!change(content))
        return false;
    return write(content);
}

QString RepairJournal::add(Entry entry)
{
    static int counter = 0;
    // Time first, so that ids sort in the order of adding.
    entry.id = QStringLiteral("r%1-%2-%3")
                   .arg(QDateTime::currentMSecsSinceEpoch(), 15, 10, QLatin1Char('0'))
                   .arg(QCoreApplication::applicationPid())
                   .arg(++counter, 6, 10, QLatin1Char('0'));
    entry.recordedAt = entry.lastSeenAt = QDateTime::currentMSecsSinceEpoch();
    const bool added = change([&](Content& content) {
        content.entries << entry;
        return true;
    });
    return added ? entry.id : QString();
}

bool RepairJournal::update(const Entry& entry)
{
    return change([&](Content& content) {
        for (Entry& kept : content.entries) {
            if (kept.id == entry.id) {
                kept = entry;
                return true;
            }
        }
        return false;
    });
}

bool RepairJournal::remove(const QString& id)
{
    if (id.isEmpty())
        return true;
    return change([&](Content& content) {
        content.entries.removeIf([&](const Entry& entry) { return entry.id == id; });
        return true;
    });
}

QList<RepairJournal::Entry> RepairJournal::entries() const
{
    return read().entries;
}

std::optional<RepairJournal::Entry> RepairJournal::entry(const QString& id) const
{
    for (const Entry& entry : read().entries) {
        if (entry.id == id)
            return entry;
    }
    return std::nullopt;
}

std::optional<RepairJournal::LineMark> RepairJournal::lineMark(const QString& device) const
{
    const Content content = read();
    const auto mark = content.lines.find(device);
    if (mark == content.lines.end())
        return std::nullopt;
    return *mark;
}

bool RepairJournal::setLineMark(const QString& device, const LineMark& mark)
{
    return change([&](Content& content) {
        content.lines.insert(device, mark);
        return true;
    });
}

QByteArray RepairJournal::checksumOf(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result();
}
