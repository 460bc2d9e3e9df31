#include "scene/project.h"

#include <QFileInfo>

void Project::clear()
{
    m_objects.clear();
    supportBars.clear();
}

void Project::serveFileOp(FileOpEnum op, QByteArray &buffer)
{
    switch (op) {
    case FileOpLoadFile: {
        Project loaded;
        if (!buffer.isEmpty())
            loaded.loadFromStr(buffer, false);
        takeOver(loaded);
        break;
    }
    case FileOpLoadSnapshot:
        clear();
        if (!buffer.isEmpty())
            loadFromStr(buffer, true);
        break;
    case FileOpStoreFile:
        buffer = saveToStr(false);
        break;
    case FileOpStoreSnapshot:
        buffer = saveToStr(true);
        break;
    }
}

void Project::takeOver(Project &other)
{
    m_objects.swap(other.m_objects);
    for (const auto &obj : m_objects)
        obj->setProject(this);
    std::swap(cache, other.cache);
    supportBars.swap(other.supportBars);
    barsOutdated = other.barsOutdated;
}

Obj *Project::addMesh(Faces mesh, const QString &name)
{
    auto obj = std::make_unique<Obj>(this);
    obj->name = name;
    obj->setMesh(cache.add(mesh));
    selectAll(false);
    obj->selected = true;
    m_objects.push_back(std::move(obj));
    barsOutdated = true;
    return m_objects.back().get();
}

int Project::addFiles(const QStringList &paths)
{
    QVector<Faces> meshes;
    for (const QString &path : paths) {
        Faces mesh;
        mesh.importFile(path);
        mesh.alignTo({0, -1, 0});
        meshes.append(mesh);
    }
    QVector<Obj *> added;
    for (int i = 0; i < meshes.size(); ++i) {
        Obj *obj = addMesh(meshes[i], QFileInfo(paths[i]).completeBaseName());
        placeBesideOthers(*obj);
        added.append(obj);
    }
    for (Obj *obj : added)
        obj->selected = true;
    return added.size();
}

int Project::removeSelected()
{
    const size_t before = m_objects.size();
    m_objects.erase(std::remove_if(m_objects.begin(), m_objects.end(), [](const auto &obj) { return obj->selected; }),
                    m_objects.end());
    const int removed = int(before - m_objects.size());
    if (removed > 0)
        barsOutdated = true;
    return removed;
}

void Project::selectAll(bool selected)
{
    for (const auto &obj : m_objects)
        obj->selected = selected;
}

int Project::selectedCount() const
{
    return int(std::count_if(m_objects.begin(), m_objects.end(), [](const auto &obj) { return obj->selected; }));
}

Box3f Project::selectionBounds() const
{
    Box3f bounds;
    bool first = true;
    for (const auto &obj : m_objects) {
        if (!obj->selected)
            continue;
        const Box3f box = obj->transformedBounds();
        bounds = first ? box : bounds.united(box);
        first = false;
    }
    return bounds;
}

Obj *Project::pickObject(char what, const V3f &origin, const V3f &target, V3f &hitPoint, V3f &hitNormal) const
{
    Obj *nearest = nullptr;
    double nearestDistance = 0;
    for (const auto &obj : m_objects) {
        V3f point, normal;
        if (!obj->rayIntersect(what, origin, target, point, normal))
            continue;
        const double distance = (point - origin).length();
        if (!nearest || distance < nearestDistance) {
            nearest = obj.get();
            nearestDistance = distance;
            hitPoint = point;
            hitNormal = normal;
        }
    }
    return nearest;
}

void Project::applyToSelection(const M44f &matrix)
{
    for (const auto &obj : m_objects)
        if (obj->selected)
            obj->setTransform(matrix * obj->transform());
    barsOutdated = true;
}
