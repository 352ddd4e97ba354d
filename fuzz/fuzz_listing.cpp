// A folder listing's answer, arriving in pieces: each arrival is analysed as
// the link does once an end mark is in, and every analysis must stay sound.
#include "Pieces.h"
#include "phone/DownloadFrame.h"
#include "phone/ListingAnswer.h"

namespace {

void checkListing(const QByteArray& received)
{
    if (!received.contains("OK") && !received.contains("ERROR"))
        return;
    const ListingAnswer answer = parseListingAnswer(received);
    if (answer.state != ListingAnswer::State::Complete) {
        FUZZ_CHECK(answer.entries.isEmpty() && answer.totalBytes == 0);
        return;
    }
    qint64 total = 0;
    for (const PhoneEntry& entry : answer.entries) {
        FUZZ_CHECK(entry.size >= 0 && (!entry.isFolder || entry.size == 0));
        FUZZ_CHECK(!__builtin_add_overflow(total, entry.size, &total));
        (void)isSafeLocalFileName(entry.name);
    }
    FUZZ_CHECK(total == answer.totalBytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    deliverInPieces(data, size, checkListing);
    return 0;
}
