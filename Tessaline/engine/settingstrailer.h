#pragma once

#include <QByteArray>

struct SlicerParams;

// The last line of every G-code file the slicer writes records the settings it was made with, so a
// reader can tell later how a print was sliced:
//   ";Tessaline_Settings=" + Base64(4-byte big-endian length + zlib stream at level 9 of toJson()).
// The compressed layout is that of qCompress.

// The line prefix, without a line end before it.
extern const char settingsTrailerPrefix[];

// Base64 text of the compressed settings JSON (what follows the prefix).
QByteArray settingsTrailerEncoding(const SlicerParams &params);

// The settings JSON back from a trailer line (with or without the prefix, surrounding white space
// ignored). Throws "decodeSettingsTrailer() invalid settings trailer" for anything that is not a
// complete, consistent trailer; the claimed length is checked before anything is allocated.
QByteArray decodeSettingsTrailer(const QByteArray &line);
