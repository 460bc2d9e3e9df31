#pragma once

#include <QGroupBox>

#include <memory>

namespace Ui
{
class ObjectPanel;
}
class SceneSession;

// The side panel of the object view: the list of objects with their selection, the selection and
// transform buttons, and the angle steps that the view's rotate and drop-plane tools snap to. It edits
// the scene only through the session and shows it again whenever the session reports a change.
class ObjectPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit ObjectPanel(SceneSession &session, QWidget *parent = nullptr);
    ~ObjectPanel() override;

    // The snap step in degrees of the rotate tool (0) or the drop-plane tool (1), 0 while it is off.
    int angleSnap(int tool) const;

signals:
    // An angle snap was switched or its step changed.
    void snapChanged();

public slots:
    // Shows the scene's objects and their selection.
    void refresh();
    // The user changed the selection in the list.
    void on_ObjListViewChanged();

private slots:
    void on_bSelectAll_clicked();
    void on_bSelectNone_clicked();
    void on_bDrop_clicked();
    void on_bRotReset_clicked();
    void on_bScaleReset_clicked();
    void on_bRealign_clicked();
    void on_bMirrorX_clicked();
    void on_bMirrorY_clicked();
    void on_bMirrorZ_clicked();
    void on_seAngleSnap_1_valueChanged(int value);
    void on_seAngleSnap_2_valueChanged(int value);
    void on_chAngleSnap_1_toggled(bool on);
    void on_chAngleSnap_2_toggled(bool on);

private:
    void mirror(int axisId);

    std::unique_ptr<Ui::ObjectPanel> ui;
    SceneSession &m_session;
    bool m_refreshing = false;
    int m_angleSnap[2] = {15, 5};
    bool m_angleSnapOn[2] = {false, false};
};
