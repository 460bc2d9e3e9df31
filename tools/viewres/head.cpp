// "head.stl": the print head drawn over the G-code line cursor, built from the project's shapes: the
// nozzle's tip at the origin pointing down, its hexagon, the heater block, the heat break and the
// cooling fins above. Millimetres, Y up.
#include "head.h"

#include "shapes.h"

namespace
{

void addMoved(Faces &into, const Faces &part, const V3f &offset)
{
    M44f move = M44f::identity();
    move[12] = offset.x;
    move[13] = offset.y;
    move[14] = offset.z;
    for (int i = 0; i < part.count(); ++i)
        into.append(Faces::transformed(part[i], move, true));
}

} // namespace

Faces makePrintHead()
{
    Faces head;
    addMoved(head, makeCone(0.4f, 3.0f, 3.0f, 24), V3f(0, 0, 0));
    addMoved(head, makeCylinder(4.0f, 3.0f, 6), V3f(0, 3.0f, 0));
    Faces block;
    block.makeBox(Box3f{V3f(-8, 6, -5.5f), V3f(12, 17, 5.5f)});
    addMoved(head, block, V3f(0, 0, 0));
    addMoved(head, makeCylinder(1.6f, 9.0f, 16), V3f(0, 17.0f, 0));
    for (int fin = 0; fin < 6; ++fin)
        addMoved(head, makeCylinder(11.0f, 1.4f, 32), V3f(0, 26.0f + fin * 3.2f, 0));
    addMoved(head, makeCylinder(4.0f, 17.0f, 16), V3f(0, 26.0f, 0));
    return head;
}
