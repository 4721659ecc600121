#pragma once

#include <QDialog>

#include "platform/framework/CEventWidgetT.h"

namespace KW {

// The terminal's dialog base: a QDialog that is an event endpoint and a
// resource-change handler, filled with the theme's window background.
class CBaseDialog : public CEventWidgetT<QDialog>
{
    Q_OBJECT

public:
    explicit CBaseDialog(QWidget* parent = nullptr, const QString& name = QString());

    // Re-reads the window colours and repaints.
    void themeChanged() override;

private:
    void applyTheme();
};

} // namespace KW
