#include "geometry/faces.h"
#include "geometry/stlreader.h"

#include <cstdint>

// Any bytes as an STL file: either a clean mesh of finite triangles or one of the loader's messages.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Faces faces;
    try {
        readStl(faces, QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
    } catch (const char *) {
        return 0;
    }
    const Box3f box = faces.boundingBox();
    if (!box.min.isFinite() || !box.max.isFinite())
        __builtin_trap();
    faces.hash();
    return 0;
}
