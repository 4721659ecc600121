#pragma once

#include <QCheckBox>
#include <QString>

#include "platform/framework/CEventWidgetT.h"

namespace KW {

// The terminal's check box: a QCheckBox with an integer id (the caller's
// index of what it stands for) and the theme's check-box style, re-read on
// theme changes. Toggling emits `toggledId(id, checked)`.
class CCheckBox : public CEventWidgetT<QCheckBox>
{
    Q_OBJECT

public:
    CCheckBox(const QString& text, int id, QWidget* parent = nullptr);

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }

    void themeChanged() override;

signals:
    void toggledId(int id, bool checked);

private:
    int m_id;
};

} // namespace KW
