#include "platform/framework/CRadioButtonGroup.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QRadioButton>

namespace KW {

CRadioButtonGroup::CRadioButtonGroup(QWidget* parent)
    : QWidget(parent), m_group(new QButtonGroup(this)), m_layout(new QHBoxLayout(this))
{
    m_group->setExclusive(true);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(10);
    m_layout->addStretch();
    connect(m_group, &QButtonGroup::idClicked, this,
            &CRadioButtonGroup::buttonChecked);
}

QRadioButton* CRadioButtonGroup::addButton(const QString& text, int id)
{
    if (m_buttons.contains(id))
        return nullptr;
    auto* b = new QRadioButton(text, this);
    m_group->addButton(b, id);
    m_layout->insertWidget(m_layout->count() - 1, b);
    m_buttons.insert(id, b);
    return b;
}

void CRadioButtonGroup::setButtonCheckedByID(int id)
{
    if (QRadioButton* b = m_buttons.value(id))
        b->setChecked(true);
}

int CRadioButtonGroup::getCheckedButtonID() const
{
    return m_group->checkedId();
}

} // namespace KW
