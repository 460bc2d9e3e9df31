#include "view/btnsys.h"

#include "view/gllist.h"
#include "view/glshaders.h"
#include "view/iconatlas.h"

#include <QFile>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <algorithm>

namespace
{

// How a button's plate shows its state: faint at rest, brighter under the cursor, full when it is the
// current mode or a toggle that is on, darker while held down.
QColor plateColour(const QColor &colour, bool hovered, bool held, bool on)
{
    QColor plate = colour;
    if (held)
        plate = plate.darker(150);
    else if (hovered)
        plate = plate.lighter(125);
    plate.setAlpha(on || held ? 255 : hovered ? 235 : 165);
    return plate;
}

} // namespace

int Btn::index() const
{
    for (int i = 0; i < m_group.count(); ++i)
        if (&m_group.button(i) == this)
            return i;
    throw "Fatal error: Btn::index() failed";
}

BtnGrp::BtnGrp(char edge, int viewMode) : m_edge(edge), m_viewMode(viewMode)
{
    if (edge != 'l' && edge != 't' && edge != 'r')
        throw "BtnGrp.edge unknown enum";
}

Btn &BtnGrp::add(const QString &name, const QColor &colour, int icon, int flags)
{
    m_buttons.push_back(std::make_unique<Btn>(*this, name, colour, icon, flags));
    return *m_buttons.back();
}

BtnSys::BtnSys() = default;
BtnSys::~BtnSys() = default;

BtnGrp &BtnSys::addGroup(char edge, int viewMode)
{
    m_groups.push_back(std::make_unique<BtnGrp>(edge, viewMode));
    return *m_groups.back();
}

void BtnSys::setChecked(const QString &name, bool checked)
{
    m_checked.removeAll(name);
    if (checked)
        m_checked.append(name);
    for (const auto &group : m_groups)
        for (int i = 0; i < group->count(); ++i)
            if (group->button(i).name == name)
                group->button(i).checked = checked;
}

bool BtnSys::isChecked(const QString &name) const
{
    return m_checked.contains(name);
}

QVector<const Btn *> BtnSys::visibleButtons() const
{
    QVector<const Btn *> buttons;
    for (const auto &group : m_groups)
        if (group->viewMode() == m_viewMode)
            for (int i = 0; i < group->count(); ++i)
                buttons.append(&group->button(i));
    return buttons;
}

QRect BtnSys::slotRect(const Btn &button, const QSize &view) const
{
    // Along the edge: the groups of this edge before the button's own, then its index in the group.
    const BtnGrp &own = button.group();
    int along = 0, edgeLength = 0;
    bool passed = false;
    for (const auto &group : m_groups) {
        if (group->viewMode() != own.viewMode() || group->edge() != own.edge())
            continue;
        if (group.get() == &own)
            passed = true;
        const int length = group->count() * pitch;
        if (!passed)
            along += length + groupGap;
        edgeLength += (edgeLength > 0 ? groupGap : 0) + length;
    }
    along += button.index() * pitch;
    switch (own.edge()) {
    case 'l':
        return QRect(0, along, pitch, pitch);
    case 'r':
        return QRect(view.width() - pitch, along, pitch, pitch);
    default: {
        // The top row is centred, clear of the left column.
        const int start = std::max(pitch + groupGap, (view.width() - edgeLength) / 2);
        return QRect(start + along, 0, pitch, pitch);
    }
    }
}

QRect BtnSys::buttonRect(const Btn &button, const QSize &view) const
{
    const int margin = (pitch - buttonSize) / 2;
    return slotRect(button, view).adjusted(margin, margin, -margin, -margin);
}

const Btn *BtnSys::buttonAt(const QPoint &point, const QSize &view) const
{
    for (const Btn *button : visibleButtons())
        if (slotRect(*button, view).contains(point))
            return button;
    return nullptr;
}

void BtnSys::setAtlas(const QString &name)
{
    m_atlasName = name;
    m_atlas.reset();
}

void BtnSys::prepareImage()
{
    if (m_atlas)
        return;
    initViewResources();
    if (!QFile::exists(":/res/" + m_atlasName))
        throw "Fatal error: BtnSys::prepareImage() file not found";
    m_atlas = std::make_unique<Texture>(m_atlasName);
}

void BtnSys::draw(const QSize &view)
{
    struct Quad {
        QRect rect;
        int cell;
        QColor colour;
    };
    std::vector<Quad> quads;
    for (const Btn *button : visibleButtons()) {
        const bool hovered = m_hovered == button->name;
        const bool held = hovered && m_pressed == button->name;
        const bool selected = !m_selected.isEmpty() && button->name == m_selected;
        if (selected && button->group().edge() != 't')
            throw "Btn::draw() selected: not inmplemented on this edge";
        QRect rect = buttonRect(*button, view);
        if (held)
            rect.translate(1, 1);
        quads.push_back(
            {rect, IconAtlas::plateCell, plateColour(button->colour, hovered, held, selected || button->checked)});
        if (button->icon >= 0 && button->icon < IconAtlas::cellCount)
            quads.push_back({rect, button->icon, QColor(255, 255, 255, hovered || selected ? 255 : 230)});
        if (selected)
            quads.push_back({rect.translated(0, 8), IconAtlas::selectionCell, Qt::white});
        if (button->flags & Btn::dividerFlag)
            quads.push_back(
                {rect.translated(0, (pitch - buttonSize) / 2 + 2), IconAtlas::dividerCell, QColor(255, 255, 255, 150)});
    }
    if (quads.empty())
        return;
    prepareImage();

    std::vector<float> vertices, uvs;
    const float atlas = float(IconAtlas::atlasSize);
    for (const Quad &quad : quads) {
        const QRect cell = IconAtlas::cellRect(quad.cell);
        const float x0 = float(quad.rect.x()), y0 = float(quad.rect.y());
        const float x1 = x0 + float(quad.rect.width()), y1 = y0 + float(quad.rect.height());
        // The texture holds the image upside down: v grows from the image's bottom row.
        const float u0 = float(cell.x()) / atlas, u1 = float(cell.x() + cell.width()) / atlas;
        const float v0 = 1.0f - float(cell.y()) / atlas, v1 = 1.0f - float(cell.y() + cell.height()) / atlas;
        const float corners[6][4] = {{x0, y0, u0, v0}, {x1, y0, u1, v0}, {x1, y1, u1, v1},
                                     {x0, y0, u0, v0}, {x1, y1, u1, v1}, {x0, y1, u0, v1}};
        for (const auto &c : corners) {
            vertices.insert(vertices.end(), {c[0], c[1], 0.0f});
            uvs.insert(uvs.end(), {c[2], c[3]});
        }
    }
    // Another view mode or state has another number of quads: both buffers change size together.
    if (!m_quads || m_quads->count != int(quads.size()) * 6)
        m_quads = std::make_unique<GLList_ColorUVTex>();
    m_quads->setBuffer(GLList::Vertex, vertices, 3);
    m_quads->setBuffer(GLList::TexCoord, uvs, 2);

    GLMatrices &m = glMatrices();
    pushMatrix(ModelMatrix);
    pushMatrix(ViewMatrix);
    pushMatrix(ProjectionMatrix);
    m.model.setToIdentity();
    m.view.setToIdentity();
    m.projection.setToIdentity();
    m.projection.ortho(0, float(view.width()), float(view.height()), 0, -1, 1);
    QOpenGLFunctions &f = *QOpenGLContext::currentContext()->functions();
    f.glDisable(GL_DEPTH_TEST);
    f.glEnable(GL_BLEND);
    // The frame's alpha stays opaque: the widget is composed with it.
    f.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    m_atlas->bind(0);
    for (size_t i = 0; i < quads.size(); ++i) {
        m_quads->color = quads[i].colour;
        m_quads->drawRange(int(i) * 6, 6);
    }
    f.glDisable(GL_BLEND);
    f.glEnable(GL_DEPTH_TEST);
    popMatrix(ProjectionMatrix);
    popMatrix(ViewMatrix);
    popMatrix(ModelMatrix);
}
