#pragma once

#include <QElapsedTimer>
#include <QObject>

namespace TC {

class CKLineMainWidget;

// Logs how long the window took to show its first frame and its first frame
// with every pane's data, counted from main(). Watches paint events of the
// chart's panes and stops watching once the data frame was seen, so it costs
// nothing after start.
class CKLineViewStartProbe : public QObject
{
public:
    // Started as early as main() can: construct before the application object.
    static void markProcessStart();
    static qint64 sinceStart();

    explicit CKLineViewStartProbe(CKLineMainWidget* chart, QObject* parent = nullptr);
    ~CKLineViewStartProbe() override;

    // Milliseconds from start to the first frame / the first frame with data;
    // -1 until seen.
    qint64 firstFrameMs() const { return m_firstFrame; }
    qint64 dataFrameMs() const { return m_dataFrame; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CKLineMainWidget* m_chart;
    qint64 m_firstFrame = -1;
    qint64 m_dataFrame = -1;
    bool m_watching = false;
};

} // namespace TC
