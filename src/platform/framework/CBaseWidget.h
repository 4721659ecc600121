#pragma once

#include <QWidget>

#include "platform/framework/CEventWidgetT.h"

namespace KW {

// The terminal's widget base: a QWidget that is an event endpoint and a
// resource-change handler. `name` becomes the object name; `isDialog` makes
// it a dialog-type window (own title, modal-capable, painted with the window
// background of the theme).
class CBaseWidget : public CEventWidgetT<QWidget>
{
    Q_OBJECT

public:
    explicit CBaseWidget(const QString& name = QString(), bool isDialog = false, QWidget* parent = nullptr);
    explicit CBaseWidget(QWidget* parent);

    bool isDialogWidget() const { return m_isDialog; }

    // Re-reads the window colours and repaints.
    void themeChanged() override;

private:
    void applyTheme();

    bool m_isDialog = false;
};

} // namespace KW
