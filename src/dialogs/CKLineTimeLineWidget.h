#pragma once

#include <QRect>
#include <QString>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/framework/CShapedTextCache.h"
#include "platform/framework/CTimeLineWidget.h"

class QAction;
class QContextMenuEvent;

namespace TC {

class CKLineMainWidget;

// The strip under a chart's panes: the framework's time line holding the
// chart's actual, overview and display regions. The main widget draws both
// the time axis and the overview; the strip adds the cursor's time in a
// highlighted box.
//
// Sizes: base height plus the strip's own 13 pixels; 40 more while the
// overview shows. Only the full form (the main view) has the overview action
// (offered in the strip's context menu); in the reduced form the overview
// never shows.
//
// Choices:
//  - The tip box spans the axis part only, so an open overview stays visible
//    under it.
//  - A locked cursor's box follows the locked bar's x and may touch the right
//    edge; the free cursor's box stays 50 pixels clear of it, where the
//    price axis is.
//  - A window dragged in the overview is mirrored into the chart's view model
//    (display, then overview region, the main widget's order) and the chart
//    repaints.
class INDEXKLINEVIEW_EXPORT CKLineTimeLineWidget : public KW::CTimeLineWidget
{
    Q_OBJECT

public:
    static constexpr int kStripHeight = 13;
    static constexpr int kOverviewHeight = 40;
    // Distance the free cursor's box keeps from the right edge.
    static constexpr int kTipRightMargin = 50;

    CKLineTimeLineWidget(CKLineMainWidget* mainWidget, bool fullForm, QWidget* parent = nullptr);

    CKLineMainWidget* mainWidget() const { return m_mainWidget; }
    bool isFullForm() const { return m_fullForm; }
    // Checkable; null in the reduced form.
    QAction* overviewAction() const { return m_overviewAction; }

    void setTip(int index, int x);
    int tipIndex() const { return m_tipIndex; }
    int tipX() const { return m_tipX; }
    // Back to no data: empty regions, no tip.
    void reset();
    // The tip box painted now, in widget pixels; null when none is shown.
    QRect tipBoxRect() const;

    void themeChanged() override;

public slots:
    // Shows or hides the overview as the overview action is checked; does
    // nothing without the action.
    void slotShowOverView(bool);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void drawTimeLine(QPainter& painter, const QRect& rect) override;
    void drawOverview(QPainter& painter, const QRect& rect) override;

private slots:
    void slotRegionDragged();

private:
    // Text and box of the tip, computed with the strip's font.
    bool tipBox(QString& text, QRect& box) const;
    // Fixed height for the overview state (a strip collapsed to 0 stays so).
    void applyHeight();

    CKLineMainWidget* m_mainWidget = nullptr;
    bool m_fullForm = true;
    int m_tipIndex = -1;
    int m_tipX = 0;
    // Where a painted tip box may still show: a cursor move repaints only
    // that and the new box, not the labels.
    QRect m_tipOnScreen;
    // Each bar's box text is shaped once: sweeping the crosshair back and
    // forth redraws the same dates.
    mutable KW::CShapedTextCache m_tipTexts{1024};
    QAction* m_overviewAction = nullptr;
};

} // namespace TC
