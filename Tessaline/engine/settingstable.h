#pragma once

#include "engine/slicerparams.h"

#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <variant>
#include <vector>

// What a key holds in the record. Factor slots are floats.
enum class SettingType { Float, Int, Bool, Text };

// The panels of the settings forms, in the order they are shown; each will get its own hint section.
enum class SettingGroup {
    Layers,
    Outlines,
    Perimeters,
    TopAndBottom,
    Infill,
    Skirt,
    Brim,
    Raft,
    Speeds,
    Extrusion,
    Retraction,
    Temperatures,
    Cooling,
    GCode,
    FeedFactors,
    ExtrusionFactors,
};
constexpr int settingGroupCount = int(SettingGroup::ExtrusionFactors) + 1;

// "Layers", "Top and bottom", "G-code", ...
QString settingGroupName(SettingGroup group);

// One slot of a factor array: the files carry one key per segment type ("FFactor_Skirt").
struct FactorSlot {
    SlicerParams::FactorArray SlicerParams::*array;
    SegType slot;
};

// The range a form widget offers, in the form's own units (percent for the keys the form shows in
// percent). The record never clamps; the command line checks assignments against it.
struct SettingRange {
    double min = 0.0;
    double max = 0.0;
    double step = 0.0; // 0: the form offers no range (check boxes, text editors)
    int decimals = 0;
};

// One stored key of SlicerParams: its name in the files, where it lives in the record, its built-in
// default and what the forms need to show it.
struct SettingKey {
    using Member = std::variant<float SlicerParams::*, qint32 SlicerParams::*, bool SlicerParams::*,
                                QByteArray SlicerParams::*, FactorSlot>;

    const char *key;
    Member member;
    double defaultNumber;    // float, int and bool keys (a bool as 0 or 1)
    const char *defaultText; // text keys (UTF-8); null for the others
    SettingRange range;
    const char *unit; // of the stored value; empty for plain numbers and fractions
    bool percent;     // stored as a fraction, shown by the form as percent
    SettingGroup group;
    const char *choices; // an enumeration's value names separated by '|', value 0 first; null otherwise

    SettingType type() const;
    bool hasRange() const { return range.step > 0.0; }
    // The range in the record's units: the form's range, divided by 100 for percent keys.
    double lowest() const;
    double highest() const;
    QStringList choiceNames() const;

    // Number keys and bools (as 0 or 1); 0 for texts.
    double number(const SlicerParams &params) const;
    void setNumber(SlicerParams &params, double value) const;
    // Text keys; empty for the others.
    QByteArray text(const SlicerParams &params) const;
    void setText(SlicerParams &params, const QByteArray &value) const;

    // Floats widened to double, ints as integers, bools, texts as strings (decoded from UTF-8).
    QJsonValue jsonValue(const SlicerParams &params) const;
    // Reads a value of the key's JSON type into the record and returns true; anything else (a wrong type,
    // a number the field cannot hold) leaves the record alone. Integers round halves upwards.
    bool readJson(SlicerParams &params, const QJsonValue &value) const;
    bool sameValue(const SlicerParams &a, const SlicerParams &b) const;
};

// Every stored key of SlicerParams once, in declaration order (the factor arrays as one key per stored
// segment type, Perimeter to InnerHair). sliceZMin and sliceZMax are never stored and are not listed.
const std::vector<SettingKey> &settingsTable();
// The key of that exact name, or null.
const SettingKey *findSetting(const QString &key);
