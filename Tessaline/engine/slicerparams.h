#pragma once

#include "raster/segtype.h"

#include <QByteArray>

#include <array>

class Ini;

// Every setting that drives one slice, as one flat value record. The field names are the keys of the
// settings JSON (settings store, presets, .tssp files and the G-code trailer), so they keep the
// spelling users' files already carry. Lengths are mm, speeds mm/s, temperatures degrees Celsius;
// fractions are stored as fractions even where the form shows percent. The record never clamps:
// the settings form enforces the ranges. Every stored key, with its type, default, range, unit and form
// group, is listed once in settingsTable() (engine/settingstable.h), which the JSON reading and writing follow.
struct SlicerParams {
    // Slots indexed by SegType; slot 12 is spare.
    static constexpr int factorSlots = 13;
    using FactorArray = std::array<float, factorSlots>;

    float ExtrusionWidth = 0.4f;
    float LayerHeight = 0.2f;
    float FirstLayerHeight = 0.2f;
    float ZAdjust = 0.0f;
    qint32 HShellCnt = 3;
    qint32 VShellCnt = 2;
    float VShellOffset = 0.0f;
    float PathSmoothing = 0.08f;
    bool RepairCorners = false;
    qint32 PolyFillerAlg = 0; // 0 "NonZero", 1 "Positive", 2 "Odd"
    float PerimeterGap = 0.1f;
    qint32 HShellType = 0; // 0 "Paralell lines", 1 "Concentric"
    float HShellDensity = 1.0f;
    float HShellMinLineLen = 0.7f;
    float HShellAngle = 45.0f;
    float HShellAngleInc = 90.0f;
    float InfillDensity = 0.1f;
    qint32 InfillType = 3; // 0 "Disabled", 1 "Paralell lines", 2 "Square grid", 3 "Triangle grid"
    qint32 InfillThickness = 1;
    float InfillAngle = 0.0f;
    float InfillAngleInc = 0.0f;
    qint32 LoopFillOverlap = 0;
    bool SkirtEnable = true;
    float SkirtOffset = 5.0f;
    qint32 SkirtMinCount = 0;
    float SkirtMinLength = 200.0f;
    bool BrimEnable = false;
    qint32 BrimCount = 4;
    bool RaftEnable = false;
    float RaftOffset = 10.0f;
    QByteArray RaftConfig = defaultRaftConfig(); // UTF-8
    float DrawSpeed = 50.0f;
    float FirstLayerDrawSpeed = 20.0f;
    float VerticalSpeed = 10.0f;
    float RetractSpeed = 40.0f;
    float FilamentDiameter = 1.75f;
    float ExtruderSpeedRatio = 100.0f;           // percent
    float FirstLayerExtruderSpeedRatio = 100.0f; // percent
    float TravelSpeed = 90.0f;
    float TravelMinDist = 1.0f;
    float TravelHeight = 0.0f;
    float TravelRetract = 4.5f;
    float TravelPrime = 4.5f;
    float WipeLength = 2.0f;
    float WipeSpeed = 30.0f;
    qint32 InitialLayerCnt = 5;
    float InitialLayerSpeed = 0.5f;
    float MinLayerTime = 5.0f; // seconds
    qint32 LayerStartPos = 0;  // 0 last head position, 1 random, 2 north, 3 south, 4 east, 5 west
    bool OuterHair = true;
    bool InnerHair = true;
    bool HeadTempEnabled = true;
    qint32 HeadTemp = 220;
    bool BedTempEnabled = true;
    qint32 BedTemp = 60;
    bool FanEnable = true;
    qint32 FanFirstLayer = 0;
    qint32 FanSecondLayer = 33;
    qint32 FanNthLayer = 100;
    qint32 FanN = 3;
    QByteArray GCodeHeader = "G28 X0 Y0\nG28 Z0\n"; // UTF-8
    QByteArray GCodeFooter = "G0X0Y0\n";            // UTF-8
    FactorArray FFactor = {0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.5f, 1.5f, 1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f};
    FactorArray EFactor = {0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 0.5f, 2.0f, 2.0f, 1.0f, 1.0f, 0.0f, 0.0f};

    // Height bounds handed to mesh slicing; set per slice, never stored.
    float sliceZMin = 0.0f;
    float sliceZMax = 1000.0f;

    // The raft layer table the form's "Load Example Table" button also offers.
    static constexpr const char *defaultRaftTable = "Type ; LayerHeight ; FillDensity ; Angle\n"
                                                    "3       ;  0.4              ; 0.1            ; 45\n"
                                                    "3       ;  0.4              ; 0.1            ; 0\n"
                                                    "1       ;  0.1              ; 0.3           ; 20\n"
                                                    "1       ;  0.1              ; 0.3           ; 90\n";
    static QByteArray defaultRaftConfig() { return QByteArray(defaultRaftTable); }

    void resetToDefaults();

    // The settings JSON: one object, keys sorted, four-space indentation, a line end after the brace.
    QByteArray toJson() const;
    // Defaults first, then every key of the object that is present with the right JSON type. Anything
    // that is not a JSON object leaves the defaults; this never fails.
    void fromJson(const QByteArray &json);

    // The current settings under "slicerParams" of the settings store.
    void loadFromIni(const Ini &ini);
    void storeToIni(Ini &ini) const;

    bool operator==(const SlicerParams &other) const;
    bool operator!=(const SlicerParams &other) const { return !(*this == other); }
};
