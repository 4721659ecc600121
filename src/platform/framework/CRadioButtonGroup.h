#pragma once

#include <QMap>
#include <QWidget>

class QButtonGroup;
class QHBoxLayout;
class QRadioButton;

namespace KW {

// A row of exclusive radio buttons, each with an integer id.
class CRadioButtonGroup : public QWidget
{
    Q_OBJECT

public:
    explicit CRadioButtonGroup(QWidget* parent = nullptr);

    // Adds a button; an id already in the group is refused (null).
    QRadioButton* addButton(const QString& text, int id);
    QRadioButton* button(int id) const { return m_buttons.value(id); }
    // Checks the button of `id`; an unknown id changes nothing.
    void setButtonCheckedByID(int id);
    // The checked button's id, -1 when none is checked.
    int getCheckedButtonID() const;

signals:
    void buttonChecked(int id);

private:
    QButtonGroup* m_group = nullptr;
    QHBoxLayout* m_layout = nullptr;
    QMap<int, QRadioButton*> m_buttons;
};

} // namespace KW
