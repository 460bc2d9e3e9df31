#pragma once

#include "geometry/facescache.h"
#include "scene/fileops.h"
#include "scene/obj.h"
#include "scene/supportbarrecord.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>
#include <memory>
#include <vector>

// The scene on the build plate (mm, Y up, plate at y = 0): objects in insertion order, every
// distinct mesh once in the cache, and the support bars. The main window owns one.
//
// The project file and the undo snapshots share one binary layout (Qt data stream version 14,
// little-endian, single-precision floats); a file stores each mesh once, a snapshot names meshes by
// hash only, so snapshots stay valid for as long as the cache is not cleared (New and Open clear it).
//
// Non-finite numbers are kept out: meshes drop triangles with non-finite (or beyond ±1e9 mm)
// coordinates as they are read, an object refuses a matrix that is non-finite or would carry its
// mesh beyond that range (a loaded object then keeps the identity), and such support bars are skipped.
class Project
{
public:
    static constexpr quint32 fileSignature = 0xEEDAED98;

    Project() = default;
    Project(const Project &) = delete;
    Project &operator=(const Project &) = delete;

    FacesCache cache;
    QVector<SupportBarRecord> supportBars;
    // Cleared by loading and by support generation; the scene edits set it.
    bool barsOutdated = false;

    int objectCount() const { return int(m_objects.size()); }
    Obj *object(int i) const { return m_objects[size_t(i)].get(); }
    // Removes objects and bars; the mesh cache stays (undo snapshots refer into it).
    void clear();

    // The binary form: for a file (meshes stored once) or a snapshot (meshes by hash).
    QByteArray saveToStr(bool isSnapshot) const;
    // Replaces the scene with the binary form. Throws "Project::loadFromStr() Invalid file
    // signature." (after clearing) and "FacesCache: FATAL error, hash not found." (the objects read
    // so far stay). Data cut short loads the objects whose records are complete.
    void loadFromStr(const QByteArray &data, bool isSnapshot);
    // Serves FileOps::fileOp. Loading a file happens aside and replaces the scene only when it
    // succeeded, so that a file that fails to load leaves the user's project untouched.
    void serveFileOp(FileOpEnum op, QByteArray &buffer);

    // A new object (selected alone) for the mesh, stored through the cache.
    Obj *addMesh(Faces mesh, const QString &name);
    // Imports each file (all of them before changing anything), centres it on the plate and
    // places it beside the objects already there. Returns how many were added.
    int addFiles(const QStringList &paths);
    int removeSelected();
    void selectAll(bool selected);
    int selectedCount() const;
    // Of the selected objects' transformed vertices; the zero box without a selection.
    Box3f selectionBounds() const;
    // transform = matrix · transform for every selected object.
    void applyToSelection(const M44f &matrix);
    // The object whose surface the ray from origin towards target meets nearest to the origin
    // (modes as Obj::rayIntersect), or nullptr.
    Obj *pickObject(char what, const V3f &origin, const V3f &target, V3f &hitPoint, V3f &hitNormal) const;

    // The scene edits (sceneedits.cpp); each returns whether anything changed.
    bool dropSelected();
    bool mirrorSelected(int axis);
    bool resetRotation();
    bool resetScale();
    // Arranges all objects (arrange.cpp).
    bool realignAll();

private:
    void placeBesideOthers(Obj &obj);
    void takeOver(Project &other);

    std::vector<std::unique_ptr<Obj>> m_objects;
};
