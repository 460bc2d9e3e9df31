#pragma once

#include <QString>
#include <QStringList>

struct SlicerParams;

// Sets SlicerParams keys from "Key=Value" texts, each value with its key's own type (number, true/false or
// text); a key given twice takes the later value. Returns an empty string, or what is wrong with the first
// faulty assignment: an unknown key, or a value the key cannot hold (an integer key takes whole numbers only, a
// number must be finite). On a fault `params` is left as it was.
QString applySettings(SlicerParams &params, const QStringList &assignments);
