// A download's answer, arriving in pieces. Kept thin: it only asks the frame
// parser where the file's bytes lie, so it follows that parser's interface.
#include "Pieces.h"
#include "phone/DownloadFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    deliverInPieces(data, size, [](const QByteArray& received) {
        const DownloadFrame frame = locateDownloadContent(received);
        if (!frame.valid)
            return;
        FUZZ_CHECK(frame.contentStart >= 0 && frame.contentLength >= 0);
        FUZZ_CHECK(frame.contentStart + frame.contentLength <= received.size());
    });
    return 0;
}
