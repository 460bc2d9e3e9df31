#pragma once

#include <QByteArray>

// Converts G-code stored in the compact binary record format ("ZCode" files) into text G-code with
// CR LF line ends, so that everything after loading only ever sees text. Data without the five-byte
// magic "ZCode" comes back unchanged. Never fails: damaged records end or skip the conversion with a
// debug-log line, and the finishing move is always written.
//
// The E scale is read at every conversion from the developer switch "c:/escale" (a percentage,
// 10..1000; otherwise 100).
QByteArray processXCode(const QByteArray &data);

// True when the data starts with the compact format's magic.
bool isXCode(const QByteArray &data);
