#pragma once

#include "engine/slicerparams.h"

#include <QString>

#include <limits>

// A record with every stored field away from its default and from its neighbours' values: floats that do
// not widen to short decimals, negative and large integers, flipped flags, texts with quotes, escapes,
// line ends and non-ASCII letters, and one infinite float (written as null). Its JSON is kept as a file, so
// the writer's exact bytes for every key are pinned, not only those of the defaults.
inline SlicerParams everyFieldMoved()
{
    SlicerParams p;
    p.ExtrusionWidth = 0.45f;
    p.LayerHeight = 0.15f;
    p.FirstLayerHeight = 0.27f;
    p.ZAdjust = -0.035f;
    p.HShellCnt = 4;
    p.VShellCnt = 3;
    p.VShellOffset = -0.12f;
    p.PathSmoothing = 0.33f;
    p.RepairCorners = true;
    p.PolyFillerAlg = 2;
    p.PerimeterGap = 0.3f;
    p.HShellType = 1;
    p.HShellDensity = 0.95f;
    p.HShellMinLineLen = 1.1f;
    p.HShellAngle = -35.0f;
    p.HShellAngleInc = 120.0f;
    p.InfillDensity = 0.175f;
    p.InfillType = 1;
    p.InfillThickness = 2;
    p.InfillAngle = 15.5f;
    p.InfillAngleInc = 60.0f;
    p.LoopFillOverlap = -2;
    p.SkirtEnable = false;
    p.SkirtOffset = 7.25f;
    p.SkirtMinCount = 3;
    p.SkirtMinLength = 350.0f;
    p.BrimEnable = true;
    p.BrimCount = 7;
    p.RaftEnable = true;
    p.RaftOffset = 12.5f;
    p.RaftConfig = "Type ; LayerHeight ; FillDensity ; Angle\n2 ; 0.3 ; 0.2 ; 30\n";
    p.DrawSpeed = 65.5f;
    p.FirstLayerDrawSpeed = 17.3f;
    p.VerticalSpeed = 8.1f;
    p.RetractSpeed = 35.7f;
    p.FilamentDiameter = 2.85f;
    p.ExtruderSpeedRatio = 103.3f;
    p.FirstLayerExtruderSpeedRatio = 96.6f;
    p.TravelSpeed = 123.4f;
    p.TravelMinDist = 1.7f;
    p.TravelHeight = std::numeric_limits<float>::infinity();
    p.TravelRetract = 3.3f;
    p.TravelPrime = 3.45f;
    p.WipeLength = 2.5f;
    p.WipeSpeed = 27.9f;
    p.InitialLayerCnt = 6;
    p.InitialLayerSpeed = 0.37f;
    p.MinLayerTime = 12.6f;
    p.LayerStartPos = 4;
    p.OuterHair = false;
    p.InnerHair = false;
    p.HeadTempEnabled = false;
    p.HeadTemp = 245;
    p.BedTempEnabled = false;
    p.BedTemp = -40;
    p.FanEnable = false;
    p.FanFirstLayer = 12;
    p.FanSecondLayer = 77;
    p.FanNthLayer = 2000000000;
    p.FanN = 9;
    p.GCodeHeader = QString::fromUtf8("M117 Grüße \"quoted\" \\ tab\t\r\nG28\n").toUtf8();
    p.GCodeFooter = QString::fromUtf8("M84 ; fin — ∎\n").toUtf8();
    for (int slot = 0; slot < SlicerParams::factorSlots; ++slot) {
        p.FFactor[size_t(slot)] = 0.91f + 0.013f * float(slot);
        p.EFactor[size_t(slot)] = 1.07f - 0.021f * float(slot);
    }
    return p;
}
