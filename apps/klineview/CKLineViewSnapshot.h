#pragma once

#include <memory>

#include <QImage>
#include <QString>

#include "CKLineViewOptions.h"

class QTextStream;

namespace TC {

class CKLineMainWidget;

// Headless rendering: builds the chart of the options' layout at the
// options' size, requests, waits (bounded) until every pane holds data, and
// grabs it. The picture is exactly the requested size.
//
// Real time (--realtime) plays no part: a snapshot is the history as of the
// market's last trading day.
class CKLineViewSnapshot
{
public:
    static constexpr int kDefaultTimeoutMs = 15000;
    // Exit statuses of run().
    static constexpr int kOk = 0;
    static constexpr int kWriteFailed = 1;

    explicit CKLineViewSnapshot(const CKLineViewOptions& options);
    ~CKLineViewSnapshot();

    // Builds (once) and grabs the chart; data that has not arrived within
    // timeoutMs leaves its pane empty rather than blocking for ever.
    QImage render(int timeoutMs = kDefaultTimeoutMs);
    // True when every pane held data at the grab.
    bool allPanesHaveData() const { return m_allData; }
    CKLineMainWidget* chart() const { return m_chart.get(); }
    // True when the main pane and every sub-pane showing an indicator hold data.
    static bool chartHasData(const CKLineMainWidget* chart);

    // Renders and writes the PNG; prints the absolute path on `out`, or the
    // reason on `err`. Returns kOk or kWriteFailed.
    int run(QTextStream& out, QTextStream& err, int timeoutMs = kDefaultTimeoutMs);

private:
    void build();

    CKLineViewOptions m_options;
    std::unique_ptr<CKLineMainWidget> m_chart;
    int m_busToken = 0;
    bool m_allData = false;
};

} // namespace TC
