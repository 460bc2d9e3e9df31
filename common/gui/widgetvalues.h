#pragma once

#include <QList>
#include <QPointer>
#include <QString>

class Ini;
class QWidget;

// Keeps the values of a dialog's input widgets in the settings store, one key per widget:
// "<dialog's object name>.<widget's object name>". Spin boxes, check boxes, radio buttons, combo boxes
// (their index) and line edits are understood; other widgets are ignored.
class WidgetValues
{
public:
    explicit WidgetValues(QString prefix) : m_prefix(std::move(prefix)) {}

    void add(QWidget *widget);
    void add(const QList<QWidget *> &widgets);

    // Sets every widget whose key is stored; widgets without a stored value keep theirs.
    void restore(const Ini &ini) const;
    void store(Ini &ini) const;

    QString key(const QWidget *widget) const;

private:
    QString m_prefix;
    QList<QPointer<QWidget>> m_widgets;
};
