// A download's answer, arriving in pieces: the frame parser must reach the same
// verdict and hand on the same bytes however the line cuts the answer.
#include "Pieces.h"
#include "phone/DownloadFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray piecewise;
    DownloadFrameParser parser([&](QByteArrayView bytes) { piecewise.append(bytes); });
    qsizetype fed = 0;
    const QByteArray answer = deliverInPieces(data, size, [&](const QByteArray& received) {
        parser.feed(QByteArrayView(received).sliced(fed));
        fed = received.size();
    });

    QByteArray whole;
    DownloadFrameParser reference([&](QByteArrayView bytes) { whole.append(bytes); });
    reference.feed(answer);

    FUZZ_CHECK(parser.state() == reference.state());
    FUZZ_CHECK(piecewise == whole);
    FUZZ_CHECK(parser.contentDelivered() == piecewise.size());
    if (parser.complete() && parser.announcedSize())
        FUZZ_CHECK(*parser.announcedSize() == piecewise.size());
    return 0;
}
