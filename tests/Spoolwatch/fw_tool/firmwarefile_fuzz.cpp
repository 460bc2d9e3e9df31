// Arbitrary bytes as a downloaded firmware file: the loader refuses or cuts images out of the file,
// never reads past it.
#include "fw_tool/firmwarefile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray file = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    FirmwareImages images;
    if (firmwarefile::load(file, images) && images.mainBoard.size() + images.lcdBoard.size() > file.size())
        __builtin_trap();
    return 0;
}
