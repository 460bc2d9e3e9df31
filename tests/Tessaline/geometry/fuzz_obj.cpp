#include "geometry/faces.h"
#include "geometry/objreader.h"

#include <cstdint>

// Any bytes as an OBJ file: the reader never throws and keeps only finite triangles.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Faces faces;
    readObj(faces, QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    const Box3f box = faces.boundingBox();
    if (!box.min.isFinite() || !box.max.isFinite())
        __builtin_trap();
    return 0;
}
