#pragma once

#include <QString>

#include "platform/framework/CBaseWidget.h"

namespace KW {

// A small frameless tool window standing in for a minimised dialog: it shows
// a short text (the dialog's name) and emits sigMouseDoubleClick when the user
// double-clicks it, so the owner can bring the dialog back. It stays on top of
// its parent window and never takes the keyboard focus.
class CMessageTipWidget : public CBaseWidget
{
    Q_OBJECT

public:
    explicit CMessageTipWidget(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }

    void themeChanged() override;

signals:
    void sigMouseDoubleClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QString m_text;
};

} // namespace KW
