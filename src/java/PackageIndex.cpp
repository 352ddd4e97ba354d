#include "PackageIndex.h"

#include "LineValue.h"

#include <QList>

namespace {

QList<QByteArray> indexLines(QByteArray content)
{
    content.replace("\r\n", "\n");
    content.replace('\r', '\n');
    return content.split('\n');
}

bool holdsControlByte(const QByteArray& value)
{
    for (char c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

} // namespace

bool readPackageIndex(const QByteArray& content, JavaSuite& suite)
{
    struct Key
    {
        const char* name;
        QByteArray* field;
    };
    const Key keys[] = {{"suite", &suite.SuiteName},
                        {"domain", &suite.Domain},
                        {"midlet", &suite.MidletName},
                        {"icon", &suite.Icon},
                        {"class", &suite.ClassName}};
    for (const QByteArray& line : indexLines(content)) {
        if (line.startsWith("num")) {
            const auto value = LineValue(line);
            const auto number = value ? leadingNumber(*value) : std::nullopt;
            if (!number)
                return false;
            suite.Num = *number;
            continue;
        }
        for (const Key& key : keys) {
            if (!line.startsWith(key.name))
                continue;
            const auto value = LineValue(line);
            if (!value || holdsControlByte(*value))
                return false;
            *key.field = *value;
            break;
        }
    }
    return true;
}

QByteArray packageIndexBytes(const JavaSuite& suite)
{
    return "suite=" + suite.SuiteName + "\r\nnum=" + QByteArray::number(suite.Num) +
           "\r\ndomain=" + suite.Domain + "\r\nmidlet=" + suite.MidletName + "\r\nicon=" + suite.Icon +
           "\r\nclass=" + suite.ClassName + "\r\n";
}
