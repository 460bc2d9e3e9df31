#pragma once

#include <QString>
#include <QStringList>

struct SettingKey;
struct SlicerParams;

// Sets SlicerParams keys from "Key=Value" texts, each value read by its key's type (number, true/false or 1/0,
// or text taken as it stands) and checked against the range the settings form offers for that key; a key given
// twice takes the later value. Returns an empty string, or what is wrong with the first faulty assignment: an
// unknown key, a value the key cannot hold (an integer key takes whole numbers only, a number must be finite)
// or a value outside the key's range, named with the range. On a fault `params` is left as it was.
QString applySettings(SlicerParams &params, const QStringList &assignments);

// The key's range in the record's units, "0.01 ... 3" ("0 ... 1" for a fraction the form shows as 0 to 100 %);
// empty for keys without a range (flags, texts).
QString settingRangeText(const SettingKey &setting);
