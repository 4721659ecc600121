#include "platform/framework/CParameterAction.h"

namespace KW {

CParameterAction::CParameterAction(const QString& title, int value, const QString& text, QObject* parent)
    : QAction(title, parent), m_value(value), m_text(text)
{
    connect(this, &QAction::triggered, this, [this](bool checked) { emit triggered(checked, m_value, m_text); });
}

} // namespace KW
