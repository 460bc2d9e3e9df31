#pragma once

#include <QStringList>

// `tessaline-cli slice INPUT... -o OUT [--preset FILE] [--set Key=Value]... [--threads N]
// [--machine W,H,D,OX,OZ,SX,SZ] [--quiet]`: slices STL/OBJ models (arranged on the plate as the window does)
// or one .tsprj project into a G-code file. Returns the exit status; files that cannot be read or written and
// slicing failures throw their message.
int runSlice(const QStringList &args);
