#include "forms/objectpanel.h"
#include "ui_objectpanel.h"

#include "forms/scenesession.h"

ObjectPanel::ObjectPanel(SceneSession &session, QWidget *parent)
    : QGroupBox(parent), ui(std::make_unique<Ui::ObjectPanel>()), m_session(session)
{
    ui->setupUi(this);
    m_angleSnap[0] = ui->seAngleSnap_1->value();
    m_angleSnap[1] = ui->seAngleSnap_2->value();
    connect(ui->lwObjects, &QListWidget::itemSelectionChanged, this, &ObjectPanel::on_ObjListViewChanged);
    connect(&m_session, &SceneSession::sceneChanged, this, &ObjectPanel::refresh);
    refresh();
}

ObjectPanel::~ObjectPanel() = default;

int ObjectPanel::angleSnap(int tool) const
{
    return m_angleSnapOn[tool] ? m_angleSnap[tool] : 0;
}

void ObjectPanel::refresh()
{
    // Filling the list selects items, which is no choice of the user's; and a selection made in the
    // list is shown already (refilling it would lose the list's anchor of a range selection).
    if (m_refreshing)
        return;
    m_refreshing = true;
    ui->lwObjects->clear();
    const Project &project = m_session.project();
    for (int i = 0; i < project.objectCount(); ++i) {
        const Obj *obj = project.object(i);
        auto *item = new QListWidgetItem(obj->name, ui->lwObjects);
        item->setSelected(obj->selected);
    }
    m_refreshing = false;
}

void ObjectPanel::on_ObjListViewChanged()
{
    if (m_refreshing)
        return;
    Project &project = m_session.project();
    for (int i = 0; i < project.objectCount() && i < ui->lwObjects->count(); ++i)
        project.object(i)->selected = ui->lwObjects->item(i)->isSelected();
    m_refreshing = true;
    m_session.changed();
    m_refreshing = false;
}

void ObjectPanel::on_bSelectAll_clicked()
{
    m_session.edits().selectAll();
    m_session.changed();
}

void ObjectPanel::on_bSelectNone_clicked()
{
    m_session.edits().selectNone();
    m_session.changed();
}

void ObjectPanel::on_bDrop_clicked()
{
    if (m_session.edits().drop())
        m_session.changed();
}

void ObjectPanel::on_bRotReset_clicked()
{
    if (m_session.edits().rotReset())
        m_session.edited();
}

void ObjectPanel::on_bScaleReset_clicked()
{
    if (m_session.edits().scaleReset())
        m_session.edited();
}

void ObjectPanel::on_bRealign_clicked()
{
    if (m_session.edits().realign())
        m_session.changed();
}

void ObjectPanel::mirror(int axisId)
{
    if (m_session.edits().mirror(axisId))
        m_session.edited();
}

void ObjectPanel::on_bMirrorX_clicked()
{
    mirror(0);
}

void ObjectPanel::on_bMirrorY_clicked()
{
    mirror(1);
}

void ObjectPanel::on_bMirrorZ_clicked()
{
    mirror(2);
}

void ObjectPanel::on_seAngleSnap_1_valueChanged(int value)
{
    m_angleSnap[0] = value;
    emit snapChanged();
}

void ObjectPanel::on_seAngleSnap_2_valueChanged(int value)
{
    m_angleSnap[1] = value;
    emit snapChanged();
}

void ObjectPanel::on_chAngleSnap_1_toggled(bool on)
{
    m_angleSnapOn[0] = on;
    emit snapChanged();
}

void ObjectPanel::on_chAngleSnap_2_toggled(bool on)
{
    m_angleSnapOn[1] = on;
    emit snapChanged();
}
