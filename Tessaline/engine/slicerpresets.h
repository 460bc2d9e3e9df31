#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

class Ini;
struct SlicerParams;

// The user's named settings presets: name -> settings JSON text, listed in the order of the names
// compared as UTF-16 code units. Kept as one JSON array under "Presets" in the settings store and
// exchanged with other users as .tssp files, which hold the bare settings JSON of one preset.
class SlicerPresets
{
public:
    // Replaces the map by the array in text; anything that is not a JSON array gives an empty map.
    void loadAll(const QString &text);
    // [{"Key": name, "Value": settings JSON}, ...] in map order, indented.
    QString saveAll() const;

    // Throws "SlicerPresets::StorePreset() name is empty" for an empty name.
    void StorePreset(const QString &name, const SlicerParams &params);
    // Fills params from the preset and returns true; leaves params alone when there is no such preset.
    bool LoadPreset(const QString &name, SlicerParams &params) const;
    bool DeletePreset(const QString &name);
    QStringList presetNames() const;

    void loadFromIni(const Ini &ini);
    // Writes the list under "Presets" and flushes the store, so a crash later loses no preset.
    void storeToIni(Ini &ini) const;

private:
    QMap<QString, QByteArray> m_presets;
};

// Import: defaults, then the file's settings. A file that is not a JSON object loads the defaults;
// a missing or unreadable file throws its path in a QString.
SlicerParams importPresetFile(const QString &path);
// Export: the toJson bytes of params, written whole or not at all.
void exportPresetFile(const QString &path, const SlicerParams &params);
