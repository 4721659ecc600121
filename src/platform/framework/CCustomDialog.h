#pragma once

#include "platform/framework/CBaseDialog.h"

class QVBoxLayout;

namespace KW {

class CDialogTitleBar;

// Frameless dialog with the terminal's own title bar (title text, close
// button, dragged by the title) and a 1-pixel theme border. The title follows
// setWindowTitle(). Subclasses put their controls into body(); the close
// button rejects the dialog.
class CCustomDialog : public CBaseDialog
{
    Q_OBJECT

public:
    explicit CCustomDialog(QWidget* parent = nullptr, const QString& name = QString());

    void setTitle(const QString& title) { setWindowTitle(title); }
    QString title() const { return windowTitle(); }
    void setCloseButtonVisible(bool visible);

    CDialogTitleBar* titleBar() const { return m_titleBar; }
    QWidget* body() const { return m_body; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CDialogTitleBar* m_titleBar = nullptr;
    QWidget* m_body = nullptr;
};

} // namespace KW
