#pragma once

#include <QColor>
#include <QString>

#include "platform/framework/CBaseWidget.h"

namespace KW {

// A transparent overlay that frames its own geometry: the caller gives it
// the geometry of the selected pane (in the overlay's parent coordinates),
// shows and raises it. It never takes the mouse, so the pane under it keeps
// working.
//
// `setLRMargin(left, right)` leaves strips at the left and right out of the
// frame (the right one is the value axis of a chart pane). The frame is
// `frameWidth()` pixels wide (default 1) in the colour of `colorKey()`
// (default "ic_clr_graph_yellow"), re-read on theme changes. Nothing is
// drawn when the margins leave no room.
class CHighlightWidget : public CBaseWidget
{
    Q_OBJECT

public:
    explicit CHighlightWidget(QWidget* parent = nullptr);

    // Negative margins are taken as 0.
    void setLRMargin(int left, int right);
    int leftMargin() const { return m_leftMargin; }
    int rightMargin() const { return m_rightMargin; }

    void setColorKey(const QString& key);
    QString colorKey() const { return m_colorKey; }

    void setFrameWidth(int width);
    int frameWidth() const { return m_frameWidth; }

    // The framed rectangle in widget coordinates (empty when nothing is drawn).
    QRect frameRect() const;

    void themeChanged() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_colorKey;
    QColor m_color;
    int m_leftMargin = 0;
    int m_rightMargin = 0;
    int m_frameWidth = 1;
};

} // namespace KW
