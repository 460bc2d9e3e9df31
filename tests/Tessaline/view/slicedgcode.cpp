#include "slicedgcode.h"

#include "engine/machinerecord.h"
#include "engine/slicer.h"
#include "shapes.h"

const QByteArray &slicedGCode()
{
    static const QByteArray gcode = [] {
        SliceScene scene;
        scene.objects.push_back({makeCylinder(8.0f, 3.0f, 40), M44f::translation({-12, 0, 0})});
        scene.objects.push_back({makeCone(7.0f, 2.0f, 2.4f, 32), M44f::translation({12, 0, 4})});
        SlicerParams sp;
        static const MachineRecord machine;
        setSlicerThreads(2);
        Slicer slicer(scene, &sp, &machine, {});
        return slicer.slice();
    }();
    return gcode;
}
