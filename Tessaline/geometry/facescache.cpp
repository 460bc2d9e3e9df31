#include "geometry/facescache.h"

Faces *FacesCache::add(Faces &faces)
{
    faces.meshHash = faces.hash();
    std::unique_ptr<Faces> &entry = m_meshes[faces.meshHash];
    if (!entry)
        entry = std::make_unique<Faces>(faces);
    return entry.get();
}

Faces *FacesCache::get(quint32 hash) const
{
    const auto it = m_meshes.find(hash);
    if (it == m_meshes.end())
        throw "FacesCache: FATAL error, hash not found.";
    return it->second.get();
}
