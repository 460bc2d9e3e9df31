#pragma once

#include "geometry/faces.h"

#include <memory>
#include <unordered_map>

// Every distinct mesh of a project, once, keyed by its vertex hash. Scene objects and undo snapshots
// refer to meshes by that hash; the pointers handed out stay valid until clear().
// Used from the user-interface thread only.
class FacesCache
{
public:
    // Hashes the mesh (storing the hash into it) and returns the entry for that hash, storing a copy
    // first when there is none: meshes with bit-identical vertices share one entry.
    Faces *add(Faces &faces);
    // Throws "FacesCache: FATAL error, hash not found." for an unknown hash.
    Faces *get(quint32 hash) const;
    bool contains(quint32 hash) const { return m_meshes.count(hash) != 0; }
    int count() const { return int(m_meshes.size()); }
    void clear() { m_meshes.clear(); }

private:
    std::unordered_map<quint32, std::unique_ptr<Faces>> m_meshes;
};
