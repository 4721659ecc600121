#pragma once

#include <QString>

#include "platform/framework/CBaseWidget.h"

namespace TC {

// Progress of a running group model, floating over a pane: a bar filled to
// done/total under the text "运行中 done/total". Hidden while not running.
//
// Choices: done is clamped to [0, total] and a negative total counts as 0;
// with no total the bar stays empty. Progress is kept across setRunning(),
// so a restarted run shows where the last report left it until the next.
// GUI thread only.
class CShowGroupRunTimeWidget : public KW::CBaseWidget
{
    Q_OBJECT

public:
    explicit CShowGroupRunTimeWidget(QWidget* parent = nullptr);

    void setProgress(int done, int total);
    void setRunning(bool running);
    bool isRunning() const { return m_running; }
    int done() const { return m_done; }
    int total() const { return m_total; }
    QString text() const;

    void themeChanged() override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_done = 0;
    int m_total = 0;
    bool m_running = false;
};

} // namespace TC
