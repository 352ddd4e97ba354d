// The battery query's answer, arriving in pieces: the charge read from it and
// the picture chosen for it must agree.
#include "Pieces.h"
#include "phone/BatteryAnswer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    deliverInPieces(data, size, [](const QByteArray& received) {
        const std::optional<int> percent = parseBatteryPercent(received);
        if (!percent)
            return;
        const int level = batteryLevelFor(*percent);
        FUZZ_CHECK(level >= 0 && level <= 6);
        FUZZ_CHECK((level > 0) == (*percent >= 0 && *percent <= 100));
    });
    return 0;
}
