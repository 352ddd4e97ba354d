// libFuzzer target for the Java menu file and a package's index: whatever
// bytes they hold, reading never crashes, what the writer makes reads back
// without error and settles after one more round (unless two folders share a
// name: their suites are written under both, by design), and an accepted index
// carries no byte that would break the menu's lines.
#include "java/PackageIndex.h"
#include "java/SelectorFile.h"

#include <cstddef>
#include <cstdint>

namespace {

QByteArray rewritten(const QByteArray& file, bool& readOk, bool* sharedFolderName = nullptr)
{
    SelectorModel model;
    readOk = ReadSelector(file, model).ok;
    for (int index = 1; sharedFolderName && index <= SelectorModel::kFolderCount; ++index) {
        const QByteArray& name = model.JavaFolders[index].Name;
        *sharedFolderName = *sharedFolderName || (!name.isEmpty() && model.folderNamed(name) != index);
    }
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
    bool sharedFolderName = false;
    const QByteArray first = rewritten(input, readOk, &sharedFolderName);
    if (!first.isEmpty() && !sharedFolderName) {
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
