#pragma once

#include <QPoint>

#include "platform/framework/CBaseWidget.h"

class QLabel;
class QToolButton;

namespace KW {

// Title bar of the frameless dialogs: title text, a close button, and
// dragging the bar moves its window.
class CDialogTitleBar : public CBaseWidget
{
    Q_OBJECT

public:
    explicit CDialogTitleBar(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const;
    void setCloseButtonVisible(bool visible);
    QToolButton* closeButton() const { return m_closeButton; }

    void themeChanged() override;

signals:
    void closeClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyTheme();

    QLabel* m_titleLabel = nullptr;
    QToolButton* m_closeButton = nullptr;
    bool m_dragging = false;
    QPoint m_dragOffset; // cursor position relative to the window's top-left
};

} // namespace KW
