#pragma once

#include "kline/IndexKLineViewGlobal.h"
#include "platform/framework/CTimeLineWidget.h"

namespace TC {

class CKLineMainWidget;

// The strip under a chart's panes: the framework's time line holding the
// chart's actual, overview and display regions, sized to the base height plus
// the strip's own 13 pixels. The full form (the main view) may show the
// overview; the reduced form never does.
class INDEXKLINEVIEW_EXPORT CKLineTimeLineWidget : public KW::CTimeLineWidget
{
    Q_OBJECT

public:
    static constexpr int kStripHeight = 13;

    CKLineTimeLineWidget(CKLineMainWidget* mainWidget, bool fullForm, QWidget* parent = nullptr);

    CKLineMainWidget* mainWidget() const { return m_mainWidget; }
    bool isFullForm() const { return m_fullForm; }

    void setTip(int index, int x);
    int tipIndex() const { return m_tipIndex; }
    int tipX() const { return m_tipX; }
    // Back to no data: empty regions, no tip.
    void reset();

private:
    CKLineMainWidget* m_mainWidget = nullptr;
    bool m_fullForm = true;
    int m_tipIndex = -1;
    int m_tipX = 0;
};

} // namespace TC
