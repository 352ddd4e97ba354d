#include "StoredRar.h"

#include <QFile>

namespace {

void put16(QByteArray& out, quint16 value)
{
    out += char(value & 0xFF);
    out += char(value >> 8);
}

void put32(QByteArray& out, quint32 value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

// CRC-32 (IEEE), bit by bit: test archives are small.
quint32 crc(const QByteArray& bytes)
{
    quint32 value = 0xFFFFFFFFu;
    for (char byte : bytes) {
        value ^= static_cast<quint8>(byte);
        for (int bit = 0; bit < 8; ++bit)
            value = (value >> 1) ^ (0xEDB88320u & (0u - (value & 1u)));
    }
    return ~value;
}

// A block: its CRC (low 16 bits of the CRC32 from the type byte on), then the rest.
QByteArray block(const QByteArray& fromType)
{
    QByteArray out;
    put16(out, crc(fromType) & 0xFFFF);
    return out + fromType;
}

QByteArray fileBlock(const RarEntry& entry)
{
    const bool folder = (entry.mode & 0170000) == 040000;
    QByteArray header;
    header += char(0x74);
    put16(header, 0x8000 | (folder ? 0x00E0 : 0)); // long block; dictionary bits all set: a folder
    put16(header, static_cast<quint16>(32 + entry.name.size()));
    put32(header, static_cast<quint32>(entry.data.size())); // packed size
    put32(header, static_cast<quint32>(entry.claimedSize < 0 ? entry.data.size() : entry.claimedSize));
    header += char(3); // made on Unix: the mode is taken as it is
    put32(header, crc(entry.data));
    put32(header, (40u << 25) | (1u << 21) | (1u << 16)); // 2020-01-01 as a DOS time
    header += char(29);
    header += char(0x30); // stored
    put16(header, static_cast<quint16>(entry.name.size()));
    put32(header, entry.mode);
    header += entry.name;
    return block(header) + entry.data;
}

} // namespace

QByteArray storedRar4(const QList<RarEntry>& entries)
{
    QByteArray archive("Rar!\x1a\x07\x00", 7);
    QByteArray mainHeader;
    mainHeader += char(0x73);
    put16(mainHeader, 0);
    put16(mainHeader, 13);
    put16(mainHeader, 0);
    put32(mainHeader, 0);
    archive += block(mainHeader);
    for (const RarEntry& entry : entries)
        archive += fileBlock(entry);
    QByteArray end;
    end += char(0x7B);
    put16(end, 0x4000);
    put16(end, 7);
    return archive + block(end);
}

bool writeStoredRar4(const QString& path, const QList<RarEntry>& entries)
{
    QFile file(path);
    const QByteArray bytes = storedRar4(entries);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
