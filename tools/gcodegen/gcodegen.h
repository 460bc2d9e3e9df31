#pragma once

#include <QByteArray>

#include <cstdint>

// Generators of G-code inputs for the benchmarks and tests: plausible prints of random layers, fast
// to make in any size, the same for the same seed.
namespace gcodegen
{

// The slicer's own dialect: layer banners, ";segType:" comments, "G1 X.. Y.. E.." with three decimals
// and CR LF line ends, as the writer produces it.
QByteArray slicerDialect(std::int64_t approxBytes, std::uint32_t seed);

// Another writer's habits: LF line ends, ";TYPE:" comments, five-decimal E, "G92 E0" per layer,
// acceleration and temperature commands, travel with F on every move.
QByteArray foreignDialect(std::int64_t approxBytes, std::uint32_t seed);

// A compact file: the magic, a 128-byte header, then random move, feed and home records.
QByteArray compactFile(int records, std::uint32_t seed);

// One compact record of [length, type, payload...].
QByteArray compactRecord(std::uint8_t type, const QByteArray &payload);
QByteArray littleEndian(std::int32_t word);

} // namespace gcodegen
