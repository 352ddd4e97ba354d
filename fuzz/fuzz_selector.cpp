// libFuzzer target for the Java menu file and a package's index: whatever
// bytes they hold, reading never crashes, what the writer makes reads back
// without error and settles after one more round, and an accepted index
// carries no byte that would break the menu's lines.
#include "java/PackageIndex.h"
#include "java/SelectorFile.h"

#include <cstddef>
#include <cstdint>

namespace {

QByteArray rewritten(const QByteArray& file, bool& readOk)
{
    SelectorModel model;
    readOk = ReadSelector(file, model).ok;
    return selectorBytes(model).value_or(QByteArray());
}

bool breaksLines(const QByteArray& value)
{
    return value.contains('\n') || value.contains('\r') || value.contains(',');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    bool readOk = false;
    const QByteArray first = rewritten(input, readOk);
    if (!first.isEmpty()) {
        const QByteArray second = rewritten(first, readOk);
        if (!readOk || rewritten(second, readOk) != second)
            __builtin_trap();
    }
    JavaSuite suite;
    if (readPackageIndex(input, suite)) {
        for (const QByteArray* value :
             {&suite.SuiteName, &suite.Domain, &suite.MidletName, &suite.Icon, &suite.ClassName}) {
            if (breaksLines(*value))
                __builtin_trap();
        }
    }
    return 0;
}
