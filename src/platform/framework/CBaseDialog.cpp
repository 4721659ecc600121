#include "platform/framework/CBaseDialog.h"

#include <QPalette>

#include "platform/framework/CUiResource.h"

namespace KW {

CBaseDialog::CBaseDialog(QWidget* parent, const QString& name) : CEventWidgetT<QDialog>(parent)
{
    if (!name.isEmpty())
        setObjectName(name);
    applyTheme();
}

void CBaseDialog::applyTheme()
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window,
                 CUiResource::instance()->getColor(QStringLiteral("clr_window_background")));
    pal.setColor(QPalette::WindowText, CUiResource::instance()->getColor(QStringLiteral("clr_window_text")));
    setPalette(pal);
    setAutoFillBackground(true);
}

void CBaseDialog::themeChanged()
{
    applyTheme();
    update();
}

} // namespace KW
