#pragma once

#include "kline/IndexKLineViewGlobal.h"
#include "platform/framework/CBaseWidget.h"

class QPaintEvent;

namespace TC {

// A task's progress in the task table: while it is under way, "finished/total"
// in bold over a 7-pixel bar along the bottom edge as long as the finished
// share; when done (or without a total) one full-width bar.
class INDEXKLINEVIEW_EXPORT CKLineProgressWidget : public KW::CBaseWidget
{
    Q_OBJECT

public:
    explicit CKLineProgressWidget(QWidget* parent = nullptr);

    void setTotal(int total);
    void setFinished(int finished);
    int total() const { return m_total; }
    int finished() const { return m_finished; }
    // Width of the bar the next paint draws.
    int barWidth() const;
    static constexpr int kBarHeight = 7;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_total = 0;
    int m_finished = 0;
};

} // namespace TC
