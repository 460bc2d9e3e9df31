#include "scene/slicesnapshot.h"

#include "scene/project.h"

SliceScene sliceSnapshot(const Project &project)
{
    SliceScene scene;
    for (int i = 0; i < project.objectCount(); ++i) {
        const Obj *obj = project.object(i);
        if (obj->mesh())
            scene.objects.push_back(SceneItem{*obj->mesh(), obj->transform()});
    }
    for (const SupportBarRecord &bar : project.supportBars)
        if (bar.isUsable())
            scene.bars.push_back(SliceBar{bar.anchor, bar.end, bar.width});
    return scene;
}
