// Language files: any bytes, read through the bounded reader.
#include "Pieces.h"
#include "settings/LanguageTable.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    LanguageTable table;
    const LanguageTable::LoadResult result = table.readLanguage(file, QStringLiteral("fuzz.lng"));
    FUZZ_CHECK(result.status != LanguageTable::LoadStatus::FormatError || result.errorLine > 0);
    FUZZ_CHECK((result.status == LanguageTable::LoadStatus::TooLarge) ==
               (static_cast<qint64>(size) > LanguageTable::kLargestFile));
    for (int number = -1; number <= LanguageTable::kLastNumber + 1; ++number) {
        (void)table.GetString(number);
        (void)table.GetPlural(number, number - 3);
    }
    return 0;
}
