#include "platform/framework/CCheckBox.h"

#include "platform/framework/CStyleSheetCenter.h"

namespace KW {

CCheckBox::CCheckBox(const QString& text, int id, QWidget* parent) : CEventWidgetT<QCheckBox>(text, parent), m_id(id)
{
    setObjectName(QStringLiteral("kw_check_box"));
    setStyleSheet(CStyleSheetCenter::getStyle(CStyleSheetCenter::CheckBox, this));
    connect(this, &QCheckBox::toggled, this, [this](bool checked) { emit toggledId(m_id, checked); });
}

void CCheckBox::themeChanged()
{
    setStyleSheet(CStyleSheetCenter::getStyle(CStyleSheetCenter::CheckBox, this));
}

} // namespace KW
