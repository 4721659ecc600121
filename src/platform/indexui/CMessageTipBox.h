#pragma once

#include <QStringList>

#include "platform/framework/CBaseWidget.h"

namespace TC {

// A small box of text lines laid over a pane (the ranking-list names near
// the cursor). It never takes the mouse, so the pane under it keeps moving
// its crosshair. `padding` is the inner margin in pixels.
class CMessageTipBox : public KW::CBaseWidget
{
    Q_OBJECT

public:
    CMessageTipBox(int padding, QWidget* parent);

    void setTip(const QStringList& lines);
    QStringList tip() const { return m_lines; }
    // Width of the widest line in the box's font (at least 1).
    int textWidth(const QStringList& lines) const;

    void themeChanged() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void relayout();

    int m_padding = 0;
    QStringList m_lines;
};

} // namespace TC
