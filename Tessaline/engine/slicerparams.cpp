#include "engine/slicerparams.h"

#include "common/ini.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cfloat>
#include <climits>
#include <cmath>

namespace
{

const char *const iniKey = "slicerParams";

template <class T> struct Field {
    const char *key;
    T SlicerParams::*member;
};

#define PARAM(name)                                                                                                    \
    {                                                                                                                  \
#name, &SlicerParams::name                                                                                     \
    }

const Field<float> floatFields[] = {
    PARAM(ExtrusionWidth),   PARAM(LayerHeight),      PARAM(FirstLayerHeight),    PARAM(ZAdjust),
    PARAM(VShellOffset),     PARAM(PathSmoothing),    PARAM(PerimeterGap),        PARAM(HShellDensity),
    PARAM(HShellMinLineLen), PARAM(HShellAngle),      PARAM(HShellAngleInc),      PARAM(InfillDensity),
    PARAM(InfillAngle),      PARAM(InfillAngleInc),   PARAM(SkirtOffset),         PARAM(SkirtMinLength),
    PARAM(RaftOffset),       PARAM(DrawSpeed),        PARAM(FirstLayerDrawSpeed), PARAM(VerticalSpeed),
    PARAM(RetractSpeed),     PARAM(FilamentDiameter), PARAM(ExtruderSpeedRatio),  PARAM(FirstLayerExtruderSpeedRatio),
    PARAM(TravelSpeed),      PARAM(TravelMinDist),    PARAM(TravelHeight),        PARAM(TravelRetract),
    PARAM(TravelPrime),      PARAM(WipeLength),       PARAM(WipeSpeed),           PARAM(InitialLayerSpeed),
    PARAM(MinLayerTime),
};

const Field<qint32> intFields[] = {
    PARAM(HShellCnt),  PARAM(VShellCnt),       PARAM(PolyFillerAlg),   PARAM(HShellType),
    PARAM(InfillType), PARAM(InfillThickness), PARAM(LoopFillOverlap), PARAM(SkirtMinCount),
    PARAM(BrimCount),  PARAM(InitialLayerCnt), PARAM(LayerStartPos),   PARAM(HeadTemp),
    PARAM(BedTemp),    PARAM(FanFirstLayer),   PARAM(FanSecondLayer),  PARAM(FanNthLayer),
    PARAM(FanN),
};

const Field<bool> boolFields[] = {
    PARAM(RepairCorners), PARAM(SkirtEnable),     PARAM(BrimEnable),     PARAM(RaftEnable), PARAM(OuterHair),
    PARAM(InnerHair),     PARAM(HeadTempEnabled), PARAM(BedTempEnabled), PARAM(FanEnable),
};

const Field<QByteArray> textFields[] = {
    PARAM(RaftConfig),
    PARAM(GCodeHeader),
    PARAM(GCodeFooter),
};

#undef PARAM

const Field<SlicerParams::FactorArray> factorFields[] = {
    {"FFactor_", &SlicerParams::FFactor},
    {"EFactor_", &SlicerParams::EFactor},
};

// Only the types a path can really have carry a factor in the files.
constexpr int firstStoredFactor = int(SegType::Perimeter);
constexpr int lastStoredFactor = int(SegType::InnerHair);

QString factorKey(const char *prefix, int slot)
{
    return QString::fromLatin1(prefix) + QString::fromLatin1(segTypeName(SegType(slot)));
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

} // namespace

QByteArray SlicerParams::defaultRaftConfig()
{
    return QByteArrayLiteral("Type ; LayerHeight ; FillDensity ; Angle\n"
                             "3       ;  0.4              ; 0.1            ; 45\n"
                             "3       ;  0.4              ; 0.1            ; 0\n"
                             "1       ;  0.1              ; 0.3           ; 20\n"
                             "1       ;  0.1              ; 0.3           ; 90\n");
}

void SlicerParams::resetToDefaults()
{
    *this = SlicerParams();
}

QByteArray SlicerParams::toJson() const
{
    QJsonObject object;
    // Floats are widened to double, so 0.2 reads 0.20000000298023224 in the file, as it always has.
    for (const auto &field : floatFields)
        object.insert(QLatin1String(field.key), double(this->*field.member));
    for (const auto &field : intFields)
        object.insert(QLatin1String(field.key), this->*field.member);
    for (const auto &field : boolFields)
        object.insert(QLatin1String(field.key), this->*field.member);
    for (const auto &field : textFields)
        object.insert(QLatin1String(field.key), QString::fromUtf8(this->*field.member));
    for (const auto &field : factorFields) {
        const FactorArray &factors = this->*field.member;
        for (int slot = firstStoredFactor; slot <= lastStoredFactor; ++slot)
            object.insert(factorKey(field.key, slot), double(factors[size_t(slot)]));
    }
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

void SlicerParams::fromJson(const QByteArray &json)
{
    resetToDefaults();
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return;
    const QJsonObject object = document.object();
    for (const auto &field : floatFields)
        readFloat(object.value(QLatin1String(field.key)), this->*field.member);
    for (const auto &field : intFields)
        readInt(object.value(QLatin1String(field.key)), this->*field.member);
    for (const auto &field : boolFields) {
        const QJsonValue value = object.value(QLatin1String(field.key));
        if (value.isBool())
            this->*field.member = value.toBool();
    }
    for (const auto &field : textFields) {
        const QJsonValue value = object.value(QLatin1String(field.key));
        if (value.isString())
            this->*field.member = value.toString().toUtf8();
    }
    for (const auto &field : factorFields) {
        FactorArray &factors = this->*field.member;
        for (int slot = firstStoredFactor; slot <= lastStoredFactor; ++slot)
            readFloat(object.value(factorKey(field.key, slot)), factors[size_t(slot)]);
    }
}

void SlicerParams::loadFromIni(const Ini &ini)
{
    fromJson(ini.getString(QLatin1String(iniKey)).toUtf8());
}

void SlicerParams::storeToIni(Ini &ini) const
{
    ini.setString(QLatin1String(iniKey), QString::fromUtf8(toJson()));
}

bool SlicerParams::operator==(const SlicerParams &other) const
{
    for (const auto &field : floatFields)
        if (this->*field.member != other.*field.member)
            return false;
    for (const auto &field : intFields)
        if (this->*field.member != other.*field.member)
            return false;
    for (const auto &field : boolFields)
        if (this->*field.member != other.*field.member)
            return false;
    for (const auto &field : textFields)
        if (this->*field.member != other.*field.member)
            return false;
    return FFactor == other.FFactor && EFactor == other.EFactor && sliceZMin == other.sliceZMin &&
           sliceZMax == other.sliceZMax;
}
