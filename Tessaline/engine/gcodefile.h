#pragma once

#include <QByteArray>

struct SlicerParams;

// The frame around the layers of a G-code file: the header (user start script, temperatures, raft), the
// footer (user end script, heaters and fan off, the settings trailer) and how the slice driver joins them to
// the layer texts. Every line ends in "\r\n".

// The first line of every file.
extern const char gcodeBanner[];

// CR, LF and CR LF all become CR LF: a text without LF uses CR alone as its line end, otherwise any CR is
// dropped.
QByteArray normaliseLineEnds(const QByteArray &script);

// The user's start script, then heating (bed temperatures above 60 degrees are not waited for), then the
// raft's G-code when there is any.
QByteArray gcodeHeader(const SlicerParams &sp, const QByteArray &raftGCode);

// The user's end script, heaters and fan off, and the settings trailer as the last line (without its line end).
QByteArray gcodeFooter(const SlicerParams &sp);

// A layer's text as it goes into the file: the first layer is preceded by the banner line and the header,
// the last one followed by the footer. The file is these texts concatenated in layer order.
QByteArray frameLayerText(const QByteArray &layerText, int layerIndex, int layerCount, const SlicerParams &sp,
                          const QByteArray &raftGCode);
