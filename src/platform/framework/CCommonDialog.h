#pragma once

#include "platform/framework/CCustomDialog.h"

class QPushButton;

namespace KW {

// Custom dialog with a content area and the OK / Cancel pair ("确定" / "取消")
// at the bottom right. OK accepts when acceptInput() agrees, so a subclass
// can validate and keep the dialog open; Cancel and the close button reject.
class CCommonDialog : public CCustomDialog
{
    Q_OBJECT

public:
    explicit CCommonDialog(QWidget* parent = nullptr, const QString& name = QString());

    // Where subclasses lay out their controls.
    QWidget* contentWidget() const { return m_content; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    void setButtonsVisible(bool ok, bool cancel);

    void themeChanged() override;

protected:
    // Called on OK; return false to keep the dialog open.
    virtual bool acceptInput() { return true; }

private slots:
    void slotOk();

private:
    void applyTheme();

    QWidget* m_content = nullptr;
    QWidget* m_buttonRow = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace KW
