#include "forms/overlaybar.h"

#include <QHBoxLayout>
#include <QToolButton>

OverlayBar::OverlayBar(const CommandTable &commands, QWidget *parent)
    : QWidget(parent), m_commands(commands), m_layout(new QHBoxLayout(this))
{
    setObjectName("overlayBar");
    m_layout->setContentsMargins(4, 4, 4, 4);
    showViewMode(ViewMode::Objects);
}

void OverlayBar::showViewMode(ViewMode mode)
{
    // A click can switch the mode: the clicked button is still delivering its signal then.
    for (QToolButton *button : qAsConst(m_buttons)) {
        button->hide();
        button->deleteLater();
    }
    m_buttons.clear();
    while (QLayoutItem *item = m_layout->takeAt(0))
        delete item;
    for (OverlayEdge edge : {OverlayEdge::Left, OverlayEdge::Top, OverlayEdge::Right}) {
        for (const OverlayGroup &group : overlayGroups())
            if (group.viewMode == mode && group.edge == edge)
                addGroup(group);
        if (edge != OverlayEdge::Right)
            m_layout->addStretch(1);
    }
    applyStates();
}

void OverlayBar::addGroup(const OverlayGroup &group)
{
    for (const OverlayButton &b : group.buttons) {
        if (b.groupStart)
            m_layout->addSpacing(12);
        auto *button = new QToolButton(this);
        button->setObjectName("overlay_" + b.name);
        button->setText(b.name);
        button->setStyleSheet(QString("QToolButton { border: 1px solid %1; padding: 3px 6px; }"
                                      "QToolButton:checked { background-color: %1; }")
                                  .arg(b.colour.name()));
        const QString name = b.name;
        connect(button, &QToolButton::clicked, this, [this, name] { m_commands.run(name); });
        m_layout->addWidget(button);
        m_buttons.insert(name, button);
    }
}

void OverlayBar::setPressed(const QString &name)
{
    m_pressed = name;
    applyStates();
}

void OverlayBar::setChecked(const QString &name, bool checked)
{
    m_checked.insert(name, checked);
    applyStates();
}

void OverlayBar::applyStates()
{
    for (auto it = m_buttons.begin(); it != m_buttons.end(); ++it) {
        const bool toggled = m_checked.contains(it.key());
        it.value()->setCheckable(toggled || it.key() == m_pressed);
        it.value()->setChecked(toggled ? m_checked.value(it.key()) : it.key() == m_pressed);
    }
}

QStringList OverlayBar::buttonNames() const
{
    QStringList names;
    for (int i = 0; i < m_layout->count(); ++i)
        if (auto *button = qobject_cast<QToolButton *>(m_layout->itemAt(i)->widget()))
            names << button->text();
    return names;
}
