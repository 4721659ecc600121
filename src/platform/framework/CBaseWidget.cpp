#include "platform/framework/CBaseWidget.h"

#include <QPalette>

#include "platform/framework/CUiResource.h"

namespace KW {

CBaseWidget::CBaseWidget(const QString& name, bool isDialog, QWidget* parent)
    : CEventWidgetT<QWidget>(parent, isDialog ? Qt::WindowFlags(Qt::Dialog) : Qt::WindowFlags()),
      m_isDialog(isDialog)
{
    if (!name.isEmpty())
        setObjectName(name);
    applyTheme();
}

CBaseWidget::CBaseWidget(QWidget* parent) : CBaseWidget(QString(), false, parent)
{
}

void CBaseWidget::applyTheme()
{
    // Plain widgets stay transparent over their parent (panes paint
    // themselves); dialog-type windows fill the theme's window background.
    QPalette pal = palette();
    pal.setColor(QPalette::Window,
                 CUiResource::instance()->getColor(QStringLiteral("clr_window_background")));
    pal.setColor(QPalette::WindowText, CUiResource::instance()->getColor(QStringLiteral("clr_window_text")));
    setPalette(pal);
    setAutoFillBackground(m_isDialog);
}

void CBaseWidget::themeChanged()
{
    applyTheme();
    update();
}

} // namespace KW
