#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/framework/CUiResource.h"
#include "platform/indexui/CShowGroupRunTimeWidget.h"

using TC::CShowGroupRunTimeWidget;

namespace {

int countColor(const QImage& img, const QColor& c)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += QColor(img.pixel(x, y)).rgb() == c.rgb() ? 1 : 0;
    return n;
}

} // namespace

TEST(GroupRunTime, TextVisibilityAndClamping)
{
    QWidget host;
    host.resize(400, 300);
    host.show();
    CShowGroupRunTimeWidget w(&host);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.text(), QStringLiteral("运行中 0/0"));

    w.setProgress(3, 10);
    EXPECT_EQ(w.text(), QStringLiteral("运行中 3/10"));
    w.setRunning(true);
    EXPECT_TRUE(w.isVisible());
    w.setRunning(false);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.text(), QStringLiteral("运行中 3/10"));

    w.setProgress(12, 10);
    EXPECT_EQ(w.text(), QStringLiteral("运行中 10/10"));
    w.setProgress(-1, -5);
    EXPECT_EQ(w.text(), QStringLiteral("运行中 0/0"));
}

TEST(GroupRunTime, BarFillsWithProgress)
{
    CShowGroupRunTimeWidget w;
    w.resize(w.sizeHint());
    const QColor bar = KW::CUiResource::instance()->getColor(QStringLiteral("clr_task_progress_background"));
    w.setProgress(0, 4);
    EXPECT_EQ(countColor(w.grab().toImage(), bar), 0);
    w.setProgress(1, 4);
    const int quarter = countColor(w.grab().toImage(), bar);
    w.setProgress(4, 4);
    const int full = countColor(w.grab().toImage(), bar);
    EXPECT_GT(quarter, 0);
    EXPECT_GT(full, 3 * quarter);
}
