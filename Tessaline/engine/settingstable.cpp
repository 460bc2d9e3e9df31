#include "engine/settingstable.h"

#include <QHash>

#include <cfloat>
#include <climits>
#include <cmath>

namespace
{

using Group = SettingGroup;

SettingKey floatKey(const char *key, float SlicerParams::*member, double defaultValue, SettingRange range,
                    const char *unit, Group group)
{
    return {key, member, defaultValue, nullptr, range, unit, false, group, nullptr};
}

// Stored as a fraction; `range` is the form's, in percent.
SettingKey percentKey(const char *key, float SlicerParams::*member, double defaultValue, SettingRange range,
                      Group group)
{
    return {key, member, defaultValue, nullptr, range, "", true, group, nullptr};
}

SettingKey intKey(const char *key, qint32 SlicerParams::*member, int defaultValue, int min, int max, const char *unit,
                  Group group)
{
    return {key,   member, double(defaultValue), nullptr, {double(min), double(max), 1.0, 0}, unit, false,
            group, nullptr};
}

// A combo box: the values are the positions of the names.
SettingKey choiceKey(const char *key, qint32 SlicerParams::*member, int defaultValue, const char *choices, Group group)
{
    const int count = QString::fromUtf8(choices).count('|') + 1;
    return {key, member, double(defaultValue), nullptr, {0.0, double(count - 1), 1.0, 0}, "", false, group, choices};
}

SettingKey boolKey(const char *key, bool SlicerParams::*member, bool defaultValue, Group group)
{
    return {key, member, defaultValue ? 1.0 : 0.0, nullptr, {}, "", false, group, nullptr};
}

SettingKey textKey(const char *key, QByteArray SlicerParams::*member, const char *defaultValue, Group group)
{
    return {key, member, 0.0, defaultValue, {}, "", false, group, nullptr};
}

// Feed-rate and extrusion factors: shown in percent, 10 to 1000 %.
SettingKey factorKey(const char *key, SlicerParams::FactorArray SlicerParams::*array, SegType slot, double defaultValue,
                     Group group)
{
    return {key, FactorSlot{array, slot}, defaultValue, nullptr, {10.0, 1000.0, 1.0, 0}, "", true, group, nullptr};
}

std::vector<SettingKey> buildTable()
{
    using P = SlicerParams;
    using S = SegType;
    const auto F = &P::FFactor;
    const auto E = &P::EFactor;
    return {
        floatKey("ExtrusionWidth", &P::ExtrusionWidth, 0.4, {0.1, 3.0, 0.01, 3}, "mm", Group::Layers),
        floatKey("LayerHeight", &P::LayerHeight, 0.2, {0.01, 3.0, 0.01, 3}, "mm", Group::Layers),
        floatKey("FirstLayerHeight", &P::FirstLayerHeight, 0.2, {0.01, 3.0, 0.01, 3}, "mm", Group::Layers),
        floatKey("ZAdjust", &P::ZAdjust, 0.0, {-10.0, 10.0, 0.01, 3}, "mm", Group::Layers),
        intKey("HShellCnt", &P::HShellCnt, 3, 1, 20, "layers", Group::TopAndBottom),
        intKey("VShellCnt", &P::VShellCnt, 2, 1, 20, "loops", Group::Perimeters),
        floatKey("VShellOffset", &P::VShellOffset, 0.0, {-1.0, 1.0, 0.01, 3}, "mm", Group::Perimeters),
        floatKey("PathSmoothing", &P::PathSmoothing, 0.08, {0.0, 9.0, 0.01, 2}, "", Group::Outlines),
        boolKey("RepairCorners", &P::RepairCorners, false, Group::Perimeters),
        choiceKey("PolyFillerAlg", &P::PolyFillerAlg, 0, "NonZero|Positive|Odd", Group::Outlines),
        floatKey("PerimeterGap", &P::PerimeterGap, 0.1, {0.0, 3.0, 0.1, 1}, "EW", Group::Perimeters),
        choiceKey("HShellType", &P::HShellType, 0, "Paralell lines|Concentric", Group::TopAndBottom),
        percentKey("HShellDensity", &P::HShellDensity, 1.0, {0.0, 200.0, 1.0, 0}, Group::TopAndBottom),
        floatKey("HShellMinLineLen", &P::HShellMinLineLen, 0.7, {0.1, 3.0, 0.1, 1}, "EW", Group::TopAndBottom),
        floatKey("HShellAngle", &P::HShellAngle, 45.0, {-360.0, 360.0, 5.0, 0}, "°", Group::TopAndBottom),
        floatKey("HShellAngleInc", &P::HShellAngleInc, 90.0, {-360.0, 360.0, 5.0, 0}, "°", Group::TopAndBottom),
        percentKey("InfillDensity", &P::InfillDensity, 0.1, {0.0, 100.0, 1.0, 0}, Group::Infill),
        choiceKey("InfillType", &P::InfillType, 3, "Disabled|Paralell lines|Square grid|Triangle grid", Group::Infill),
        intKey("InfillThickness", &P::InfillThickness, 1, 0, 20, "lines", Group::Infill),
        floatKey("InfillAngle", &P::InfillAngle, 0.0, {-360.0, 360.0, 5.0, 0}, "°", Group::Infill),
        floatKey("InfillAngleInc", &P::InfillAngleInc, 0.0, {-360.0, 360.0, 5.0, 0}, "°", Group::Infill),
        intKey("LoopFillOverlap", &P::LoopFillOverlap, 0, -5, 5, "EW/3", Group::Perimeters),
        boolKey("SkirtEnable", &P::SkirtEnable, true, Group::Skirt),
        // Both offsets are applied in extrusion widths, whatever a form's suffix has said.
        floatKey("SkirtOffset", &P::SkirtOffset, 5.0, {1.0, 20.0, 1.0, 1}, "EW", Group::Skirt),
        intKey("SkirtMinCount", &P::SkirtMinCount, 0, 0, 100, "loops", Group::Skirt),
        floatKey("SkirtMinLength", &P::SkirtMinLength, 200.0, {0.0, 1000.0, 50.0, 0}, "mm", Group::Skirt),
        boolKey("BrimEnable", &P::BrimEnable, false, Group::Brim),
        intKey("BrimCount", &P::BrimCount, 4, 0, 100, "loops", Group::Brim),
        boolKey("RaftEnable", &P::RaftEnable, false, Group::Raft),
        floatKey("RaftOffset", &P::RaftOffset, 10.0, {1.0, 20.0, 1.0, 1}, "EW", Group::Raft),
        textKey("RaftConfig", &P::RaftConfig, SlicerParams::defaultRaftTable, Group::Raft),
        floatKey("DrawSpeed", &P::DrawSpeed, 50.0, {1.0, 500.0, 10.0, 0}, "mm/s", Group::Speeds),
        floatKey("FirstLayerDrawSpeed", &P::FirstLayerDrawSpeed, 20.0, {1.0, 500.0, 1.0, 0}, "mm/s", Group::Speeds),
        floatKey("VerticalSpeed", &P::VerticalSpeed, 10.0, {1.0, 500.0, 1.0, 0}, "mm/s", Group::Speeds),
        floatKey("RetractSpeed", &P::RetractSpeed, 40.0, {1.0, 500.0, 1.0, 0}, "mm/s", Group::Retraction),
        floatKey("FilamentDiameter", &P::FilamentDiameter, 1.75, {0.1, 10.0, 0.1, 3}, "mm", Group::Extrusion),
        // Stored in percent (not as a fraction), so the form shows the value itself.
        floatKey("ExtruderSpeedRatio", &P::ExtruderSpeedRatio, 100.0, {20.0, 500.0, 1.0, 1}, "%", Group::Extrusion),
        floatKey("FirstLayerExtruderSpeedRatio", &P::FirstLayerExtruderSpeedRatio, 100.0, {20.0, 500.0, 1.0, 1}, "%",
                 Group::Extrusion),
        floatKey("TravelSpeed", &P::TravelSpeed, 90.0, {1.0, 500.0, 1.0, 0}, "mm/s", Group::Speeds),
        floatKey("TravelMinDist", &P::TravelMinDist, 1.0, {0.0, 1000.0, 0.1, 3}, "mm", Group::Retraction),
        floatKey("TravelHeight", &P::TravelHeight, 0.0, {0.0, 10.0, 0.1, 3}, "mm", Group::Retraction),
        floatKey("TravelRetract", &P::TravelRetract, 4.5, {0.0, 20.0, 0.1, 3}, "mm", Group::Retraction),
        floatKey("TravelPrime", &P::TravelPrime, 4.5, {0.0, 20.0, 0.1, 3}, "mm", Group::Retraction),
        // The wipe is scaled by the pixel, so its length is in extrusion widths.
        floatKey("WipeLength", &P::WipeLength, 2.0, {0.0, 20.0, 0.5, 1}, "EW", Group::Retraction),
        floatKey("WipeSpeed", &P::WipeSpeed, 30.0, {1.0, 500.0, 1.0, 0}, "mm/s", Group::Retraction),
        intKey("InitialLayerCnt", &P::InitialLayerCnt, 5, 0, 20, "layers", Group::Speeds),
        percentKey("InitialLayerSpeed", &P::InitialLayerSpeed, 0.5, {10.0, 100.0, 1.0, 0}, Group::Speeds),
        floatKey("MinLayerTime", &P::MinLayerTime, 5.0, {0.0, 20.0, 1.0, 0}, "s", Group::Speeds),
        choiceKey("LayerStartPos", &P::LayerStartPos, 0, "Last head position|Random position|North|South|East|West",
                  Group::Perimeters),
        boolKey("OuterHair", &P::OuterHair, true, Group::Perimeters),
        boolKey("InnerHair", &P::InnerHair, true, Group::Perimeters),
        boolKey("HeadTempEnabled", &P::HeadTempEnabled, true, Group::Temperatures),
        intKey("HeadTemp", &P::HeadTemp, 220, 0, 300, "°C", Group::Temperatures),
        boolKey("BedTempEnabled", &P::BedTempEnabled, true, Group::Temperatures),
        intKey("BedTemp", &P::BedTemp, 60, 0, 300, "°C", Group::Temperatures),
        boolKey("FanEnable", &P::FanEnable, true, Group::Cooling),
        intKey("FanFirstLayer", &P::FanFirstLayer, 0, 0, 255, "", Group::Cooling),
        intKey("FanSecondLayer", &P::FanSecondLayer, 33, 0, 255, "", Group::Cooling),
        intKey("FanNthLayer", &P::FanNthLayer, 100, 0, 255, "", Group::Cooling),
        intKey("FanN", &P::FanN, 3, 2, 100, "", Group::Cooling),
        textKey("GCodeHeader", &P::GCodeHeader, "G28 X0 Y0\nG28 Z0\n", Group::GCode),
        textKey("GCodeFooter", &P::GCodeFooter, "G0X0Y0\n", Group::GCode),
        factorKey("FFactor_Perimeter", F, S::Perimeter, 1.0, Group::FeedFactors),
        factorKey("FFactor_Loop", F, S::Loop, 1.0, Group::FeedFactors),
        factorKey("FFactor_HShell", F, S::HShell, 1.0, Group::FeedFactors),
        factorKey("FFactor_Infill", F, S::Infill, 1.0, Group::FeedFactors),
        factorKey("FFactor_Support", F, S::Support, 1.5, Group::FeedFactors),
        factorKey("FFactor_SoftSupport", F, S::SoftSupport, 1.5, Group::FeedFactors),
        factorKey("FFactor_Skirt", F, S::Skirt, 1.0, Group::FeedFactors),
        factorKey("FFactor_Raft", F, S::Raft, 1.0, Group::FeedFactors),
        factorKey("FFactor_OuterHair", F, S::OuterHair, 1.0, Group::FeedFactors),
        factorKey("FFactor_InnerHair", F, S::InnerHair, 1.0, Group::FeedFactors),
        factorKey("EFactor_Perimeter", E, S::Perimeter, 1.0, Group::ExtrusionFactors),
        factorKey("EFactor_Loop", E, S::Loop, 1.0, Group::ExtrusionFactors),
        factorKey("EFactor_HShell", E, S::HShell, 1.0, Group::ExtrusionFactors),
        factorKey("EFactor_Infill", E, S::Infill, 1.0, Group::ExtrusionFactors),
        factorKey("EFactor_Support", E, S::Support, 1.0, Group::ExtrusionFactors),
        factorKey("EFactor_SoftSupport", E, S::SoftSupport, 0.5, Group::ExtrusionFactors),
        factorKey("EFactor_Skirt", E, S::Skirt, 2.0, Group::ExtrusionFactors),
        factorKey("EFactor_Raft", E, S::Raft, 2.0, Group::ExtrusionFactors),
        factorKey("EFactor_OuterHair", E, S::OuterHair, 1.0, Group::ExtrusionFactors),
        factorKey("EFactor_InnerHair", E, S::InnerHair, 1.0, Group::ExtrusionFactors),
    };
}

// Settings files come from users and other versions: a number that does not fit the field is
// treated like a mistyped key rather than converted with undefined results.
bool readFloat(const QJsonValue &value, float &out)
{
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::fabs(d) > double(FLT_MAX))
        return false;
    out = float(d);
    return true;
}

// Rounds halves upwards (2.5 -> 3, -2.5 -> -2), as the settings have always been read.
bool readInt(const QJsonValue &value, qint32 &out)
{
    if (!value.isDouble())
        return false;
    const double d = std::floor(value.toDouble() + 0.5);
    if (!std::isfinite(d) || d < double(INT_MIN) || d > double(INT_MAX))
        return false;
    out = qint32(d);
    return true;
}

// Visits the field of `params` that `member` names, whatever its type.
template <class Params, class Visitor> auto visitField(const SettingKey::Member &member, Params &params, Visitor visit)
{
    if (const auto *field = std::get_if<float SlicerParams::*>(&member))
        return visit(params.**field);
    if (const auto *field = std::get_if<qint32 SlicerParams::*>(&member))
        return visit(params.**field);
    if (const auto *field = std::get_if<bool SlicerParams::*>(&member))
        return visit(params.**field);
    if (const auto *field = std::get_if<QByteArray SlicerParams::*>(&member))
        return visit(params.**field);
    const FactorSlot &factor = std::get<FactorSlot>(member);
    return visit((params.*factor.array)[size_t(factor.slot)]);
}

template <class T> using Plain = std::remove_cv_t<std::remove_reference_t<T>>;

} // namespace

QString settingGroupName(SettingGroup group)
{
    static const char *const names[settingGroupCount] = {
        "Layers", "Outlines",  "Perimeters", "Top and bottom", "Infill",  "Skirt",  "Brim",         "Raft",
        "Speeds", "Extrusion", "Retraction", "Temperatures",   "Cooling", "G-code", "Feed factors", "Extrusion factors",
    };
    return QString::fromLatin1(names[int(group)]);
}

SettingType SettingKey::type() const
{
    switch (member.index()) {
    case 1:
        return SettingType::Int;
    case 2:
        return SettingType::Bool;
    case 3:
        return SettingType::Text;
    default:
        return SettingType::Float;
    }
}

double SettingKey::lowest() const
{
    return percent ? range.min / 100.0 : range.min;
}

double SettingKey::highest() const
{
    return percent ? range.max / 100.0 : range.max;
}

QStringList SettingKey::choiceNames() const
{
    return choices ? QString::fromUtf8(choices).split('|') : QStringList();
}

double SettingKey::number(const SlicerParams &params) const
{
    return visitField(member, params, [](const auto &field) -> double {
        if constexpr (std::is_same_v<Plain<decltype(field)>, QByteArray>)
            return 0.0;
        else
            return double(field);
    });
}

void SettingKey::setNumber(SlicerParams &params, double value) const
{
    visitField(member, params, [value](auto &field) {
        using T = Plain<decltype(field)>;
        if constexpr (std::is_same_v<T, bool>)
            field = value != 0.0;
        else if constexpr (!std::is_same_v<T, QByteArray>)
            field = T(value);
    });
}

QByteArray SettingKey::text(const SlicerParams &params) const
{
    return visitField(member, params, [](const auto &field) {
        if constexpr (std::is_same_v<Plain<decltype(field)>, QByteArray>)
            return field;
        else
            return QByteArray();
    });
}

void SettingKey::setText(SlicerParams &params, const QByteArray &value) const
{
    visitField(member, params, [&value](auto &field) {
        if constexpr (std::is_same_v<Plain<decltype(field)>, QByteArray>)
            field = value;
    });
}

QJsonValue SettingKey::jsonValue(const SlicerParams &params) const
{
    return visitField(member, params, [](const auto &field) {
        using T = Plain<decltype(field)>;
        // Floats are widened to double, so 0.2 reads 0.20000000298023224 in the file, as it always has.
        if constexpr (std::is_same_v<T, float>)
            return QJsonValue(double(field));
        else if constexpr (std::is_same_v<T, QByteArray>)
            return QJsonValue(QString::fromUtf8(field));
        else
            return QJsonValue(field);
    });
}

bool SettingKey::readJson(SlicerParams &params, const QJsonValue &value) const
{
    return visitField(member, params, [&value](auto &field) {
        using T = Plain<decltype(field)>;
        if constexpr (std::is_same_v<T, float>) {
            return readFloat(value, field);
        } else if constexpr (std::is_same_v<T, qint32>) {
            return readInt(value, field);
        } else if constexpr (std::is_same_v<T, bool>) {
            if (value.isBool())
                field = value.toBool();
            return value.isBool();
        } else {
            if (value.isString())
                field = value.toString().toUtf8();
            return value.isString();
        }
    });
}

bool SettingKey::sameValue(const SlicerParams &a, const SlicerParams &b) const
{
    return visitField(member, a, [&](const auto &fieldOfA) {
        return visitField(member, b, [&](const auto &fieldOfB) {
            if constexpr (std::is_same_v<Plain<decltype(fieldOfA)>, Plain<decltype(fieldOfB)>>)
                return fieldOfA == fieldOfB;
            else
                return false;
        });
    });
}

const std::vector<SettingKey> &settingsTable()
{
    static const std::vector<SettingKey> table = buildTable();
    return table;
}

const SettingKey *findSetting(const QString &key)
{
    static const QHash<QString, const SettingKey *> byName = [] {
        QHash<QString, const SettingKey *> index;
        for (const SettingKey &setting : settingsTable())
            index.insert(QString::fromLatin1(setting.key), &setting);
        return index;
    }();
    return byName.value(key, nullptr);
}
