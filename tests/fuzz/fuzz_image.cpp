// Feeds arbitrary 256-byte images through everything that reads an image,
// and checks that what decodes cleanly packs back to the same texts.

#include "image/EepromImage.h"
#include "image/MessageCodec.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    EepromImage image;
    std::memcpy(image.bytes.data(), data, size < image.bytes.size() ? size : image.bytes.size());

    (void)KeyerModeIndex(image);
    (void)PaddleHangIndex(image);
    (void)SidetoneIndex(image);
    (void)OutputConfigIndex(image);
    (void)PotMaxShown(image);
    for (const auto box : AllCheckBoxes)
        (void)IsChecked(image, box);

    MessageTexts texts;
    for (int n = 1; n <= MessageCount; ++n)
        texts[static_cast<std::size_t>(n - 1)] = DecodeMessage(image, n);
    if (CheckMessages(texts))
        return 0;
    EepromImage packed = image;
    if (!PackMessages(packed, texts))
        std::abort();
    for (int n = 1; n <= MessageCount; ++n) {
        if (DecodeMessage(packed, n) != texts[static_cast<std::size_t>(n - 1)])
            std::abort();
    }
    return 0;
}
