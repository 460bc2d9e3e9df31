#include "common/gui/widgetvalues.h"

#include "common/ini.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>

void WidgetValues::add(QWidget *widget)
{
    if (widget)
        m_widgets.append(widget);
}

void WidgetValues::add(const QList<QWidget *> &widgets)
{
    for (QWidget *widget : widgets)
        add(widget);
}

QString WidgetValues::key(const QWidget *widget) const
{
    return m_prefix + "." + widget->objectName();
}

void WidgetValues::restore(const Ini &ini) const
{
    for (const QPointer<QWidget> &widget : m_widgets) {
        if (!widget || !ini.contains(key(widget)))
            continue;
        const QString k = key(widget);
        if (auto *spin = qobject_cast<QSpinBox *>(widget))
            spin->setValue(ini.getInt(k, spin->value()));
        else if (auto *real = qobject_cast<QDoubleSpinBox *>(widget))
            real->setValue(ini.getDouble(k, real->value()));
        else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
            // An index beyond the items (an older version's list) keeps the default.
            const int index = ini.getInt(k, combo->currentIndex());
            if (index >= 0 && index < combo->count())
                combo->setCurrentIndex(index);
        } else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            button->setChecked(ini.getBool(k, button->isChecked()));
        else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            edit->setText(ini.getString(k, edit->text()));
    }
}

void WidgetValues::store(Ini &ini) const
{
    for (const QPointer<QWidget> &widget : m_widgets) {
        if (!widget)
            continue;
        const QString k = key(widget);
        if (auto *spin = qobject_cast<QSpinBox *>(widget))
            ini.setInt(k, spin->value());
        else if (auto *real = qobject_cast<QDoubleSpinBox *>(widget))
            ini.setDouble(k, real->value());
        else if (auto *combo = qobject_cast<QComboBox *>(widget))
            ini.setInt(k, combo->currentIndex());
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            ini.setBool(k, button->isChecked());
        else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            ini.setString(k, edit->text());
    }
}
