#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// The two boards' images of one firmware release.
struct FirmwareImages {
    QByteArray mainBoard;
    QByteArray lcdBoard;
};

// The firmware file as the firmware server serves it ("/zor3nixa.firmware"): a 512-byte header whose
// bytes 68..83 give the two images' offsets and lengths (little-endian), the scrambled payload from
// byte 512, and the CRC-32 of everything before it in its last four bytes. The host keeps the file in
// memory and never writes it; the builder exists for tools/fwpack and the tests.
namespace firmwarefile
{

// Anything shorter cannot hold the image table.
constexpr int minimumBytes = 84;
constexpr int payloadOffset = 512;
// What the window shows for a file that is too short, inconsistent or fails its check value.
constexpr char crcErrorMessage[] = "Crc error loading firmware";
// What it shows when the download returned nothing.
constexpr char downloadFailedMessage[] = "Failed to download latest FirmWare";

// The standard reflected CRC-32 (polynomial 0xEDB88320, initial value 0xFFFFFFFF, final complement).
std::uint32_t crc32(const char *data, std::size_t size);
// Entry `index` of that CRC's byte table; its low byte is the second layer of the scrambling.
std::uint32_t crcTableEntry(unsigned index);

// Unscrambles and checks `file` and cuts out its images. False when the file is too short, names
// bytes it does not hold, or fails its check value: then `images` is left untouched.
bool load(const QByteArray &file, FirmwareImages &images);

// The firmware file holding the two images, scrambled, with its check value.
QByteArray build(const FirmwareImages &images);

} // namespace firmwarefile
