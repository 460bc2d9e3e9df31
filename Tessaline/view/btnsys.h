#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>

#include <memory>
#include <vector>

class BtnGrp;
class GLList_ColorUVTex;
class Texture;

// One overlay button of the 3D view: its name (the command it runs and its tool tip), the colour of
// its plate, its icon's index in "icons.png" and its flags.
class Btn
{
public:
    // A rule under the button parts it from the ones after it ("New Proj").
    static constexpr int dividerFlag = 8;

    Btn(BtnGrp &group, const QString &name, const QColor &colour, int icon, int flags)
        : name(name), colour(colour), icon(icon), flags(flags), m_group(group)
    {
    }

    QString name;
    QColor colour;
    int icon = -1;
    int flags = 0;
    // A toggle that is on ("Auto drop", "Stats").
    bool checked = false;

    BtnGrp &group() const { return m_group; }
    // The button's place in its group. Throws "Fatal error: Btn::index() failed" when the group does
    // not hold it.
    int index() const;
    QString toolTip() const { return "<p align=center>" + name + "</p>"; }

private:
    BtnGrp &m_group;
};

// A row of buttons along one edge of the view ('l' left, 't' top, 'r' right), shown in one view mode
// (0 objects, 1 support, 2 G-code). Groups of one edge follow each other with a gap between them.
class BtnGrp
{
public:
    // Throws "BtnGrp.edge unknown enum" for another edge.
    BtnGrp(char edge, int viewMode);

    Btn &add(const QString &name, const QColor &colour, int icon, int flags = 0);
    char edge() const { return m_edge; }
    int viewMode() const { return m_viewMode; }
    int count() const { return int(m_buttons.size()); }
    Btn &button(int i) const { return *m_buttons[size_t(i)]; }

private:
    char m_edge;
    int m_viewMode;
    std::vector<std::unique_ptr<Btn>> m_buttons;
};

// The overlay buttons of the view: owns the groups, lays out those of the current view mode along
// their edges at a pitch of 64 pixels, keeps the pressed, hovered, selected and checked states and
// draws the buttons with "ColorUVTex" from the icon atlas.
class BtnSys
{
public:
    static constexpr int pitch = 64;
    // Between two groups of one edge.
    static constexpr int groupGap = 16;
    static constexpr int buttonSize = 48;

    BtnSys();
    ~BtnSys();
    BtnSys(const BtnSys &) = delete;
    BtnSys &operator=(const BtnSys &) = delete;

    BtnGrp &addGroup(char edge, int viewMode);
    int groupCount() const { return int(m_groups.size()); }
    BtnGrp &group(int i) const { return *m_groups[size_t(i)]; }

    void setViewMode(int viewMode) { m_viewMode = viewMode; }
    int viewMode() const { return m_viewMode; }
    // The button of the current edit mode, drawn with a bar under it; empty for none.
    void setSelected(const QString &name) { m_selected = name; }
    const QString &selected() const { return m_selected; }
    // Shows a toggle's state on every button of that name.
    void setChecked(const QString &name, bool checked);
    bool isChecked(const QString &name) const;

    // The buttons of the current view mode in drawing order, and where each lies in a view of that
    // size (logical pixels, the drawn 48 x 48 square centred in its 64 x 64 slot).
    QVector<const Btn *> visibleButtons() const;
    QRect buttonRect(const Btn &button, const QSize &view) const;
    // The visible button whose slot holds the point, or nullptr.
    const Btn *buttonAt(const QPoint &point, const QSize &view) const;

    // Mouse state: the button under the cursor and the one held down (by name, since a click can
    // change the view mode and with it the buttons).
    void setHovered(const QString &name) { m_hovered = name; }
    void setPressed(const QString &name) { m_pressed = name; }
    const QString &pressed() const { return m_pressed; }

    // The atlas's resource name below ":/res/" ("icons.png"); tests point it elsewhere.
    void setAtlas(const QString &name);
    // Loads the atlas once. Throws "Fatal error: BtnSys::prepareImage() file not found".
    void prepareImage();
    // Draws the visible buttons over the frame; the GL context is current and the viewport covers
    // the view.
    void draw(const QSize &view);

private:
    // The slot of each visible button along its edge.
    QRect slotRect(const Btn &button, const QSize &view) const;

    std::vector<std::unique_ptr<BtnGrp>> m_groups;
    int m_viewMode = 0;
    QString m_selected;
    QString m_hovered;
    QString m_pressed;
    QVector<QString> m_checked;
    QString m_atlasName = "icons.png";
    std::unique_ptr<Texture> m_atlas;
    std::unique_ptr<GLList_ColorUVTex> m_quads;
};
