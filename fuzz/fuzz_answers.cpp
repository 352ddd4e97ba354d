// libFuzzer target for what the phone sends: listing, download and battery
// answers must never crash the parsers, whatever bytes arrive.
#include "phone/BatteryAnswer.h"
#include "phone/DownloadFrame.h"
#include "phone/ListingAnswer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray answer(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ListingAnswer listing = parseListingAnswer(answer);
    for (const PhoneEntry& entry : listing.entries)
        (void)isSafeLocalFileName(entry.name);
    const DownloadFrame frame = locateDownloadContent(answer);
    if (frame.valid && frame.contentStart + frame.contentLength > answer.size())
        __builtin_trap();
    (void)parseBatteryPercent(answer);
    return 0;
}
