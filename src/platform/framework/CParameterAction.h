#pragma once

#include <QAction>
#include <QString>

namespace KW {

// A menu action that carries an int and a text to its receiver: triggered
// also emits triggered(checked, value, text).
class CParameterAction : public QAction
{
    Q_OBJECT

public:
    CParameterAction(const QString& title, int value, const QString& text, QObject* parent);

    int value() const { return m_value; }
    QString parameterText() const { return m_text; }

signals:
    void triggered(bool checked, int value, const QString& text);

private:
    int m_value = 0;
    QString m_text;
};

} // namespace KW
