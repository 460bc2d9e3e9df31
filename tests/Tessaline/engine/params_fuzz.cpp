// Feeds arbitrary bytes to every reader of outside settings: settings JSON, the preset list of the
// settings store, and the G-code settings trailer.
#include "engine/settingstrailer.h"
#include "engine/slicerparams.h"
#include "engine/slicerpresets.h"

#include <QString>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    SlicerParams params;
    params.fromJson(bytes);
    SlicerParams reread;
    reread.fromJson(params.toJson());
    if (reread.toJson() != params.toJson())
        __builtin_trap();

    SlicerPresets presets;
    presets.loadAll(QString::fromUtf8(bytes));
    for (const QString &name : presets.presetNames())
        presets.LoadPreset(name, params);

    try {
        const QByteArray json = decodeSettingsTrailer(bytes);
        params.fromJson(json);
    } catch (const char *) {
    }
    return 0;
}
