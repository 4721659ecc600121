#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "platform/framework/CBaseWidget.h"
#include "platform/framework/CEventBus.h"
#include "platform/framework/CFrameSplitterLine.h"
#include "platform/framework/CHighlightWidget.h"
#include "platform/framework/CPushButton.h"
#include "platform/framework/CUiResource.h"

using namespace KW;

namespace {

QColor colourOf(const char* key)
{
    return CUiResource::instance()->getColor(QString::fromLatin1(key));
}

QWidget* filled(QWidget* parent, const char* key)
{
    auto* w = new QWidget(parent);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colourOf(key));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
    return w;
}

// Records the events that reach it from below.
class Recorder : public CBaseWidget
{
public:
    bool handleEvent(int id, int p1, int p2, const QString& text, void*) override
    {
        events.append({id, p1, p2});
        lastText = text;
        return true;
    }
    QList<QVector<int>> events;
    QString lastText;
};

class PaneWidgetsTest : public ::testing::Test
{
protected:
    void TearDown() override { CUiResource::instance()->setTheme(QStringLiteral("dark")); }
};

} // namespace

TEST_F(PaneWidgetsTest, HighlightFramesItsGeometryLeavesTheMarginsAndLetsTheMouseThrough)
{
    QWidget host;
    host.resize(200, 120);
    QWidget* pane = filled(&host, "ic_clr_graph_kline_bg");
    pane->setGeometry(10, 10, 150, 80);
    CHighlightWidget hl(&host);
    hl.setGeometry(pane->geometry());
    hl.setLRMargin(0, 40);
    hl.show();
    hl.raise();
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

    const QRgb frame = colourOf("ic_clr_graph_yellow").rgb();
    const QRgb bg = colourOf("ic_clr_graph_kline_bg").rgb();
    QImage img = host.grab().toImage();
    EXPECT_EQ(img.pixel(10, 10), frame);       // top-left corner
    EXPECT_EQ(img.pixel(60, 89), frame);       // bottom edge
    EXPECT_EQ(img.pixel(10 + 109, 50), frame); // right edge, 40 px short of the pane's
    EXPECT_EQ(img.pixel(10 + 110, 50), bg);    // inside the right margin
    EXPECT_EQ(img.pixel(10 + 130, 10), bg);    // no top edge over the margin
    EXPECT_EQ(img.pixel(60, 50), bg);          // the inside stays clear
    EXPECT_EQ(hl.frameRect(), QRect(0, 0, 110, 80));

    // Mouse-transparent: the pane under it is what the pointer finds.
    EXPECT_TRUE(hl.testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(host.childAt(60, 50), pane);

    // Left margin, wider frame, other key.
    hl.setLRMargin(20, -5);
    hl.setFrameWidth(2);
    hl.setColorKey(QStringLiteral("clr_global_rise"));
    img = host.grab().toImage();
    const QRgb rise = colourOf("clr_global_rise").rgb();
    EXPECT_EQ(img.pixel(10 + 19, 50), bg);
    EXPECT_EQ(img.pixel(10 + 20, 50), rise);
    EXPECT_EQ(img.pixel(10 + 21, 50), rise);
    EXPECT_EQ(img.pixel(10 + 22, 50), bg);
    EXPECT_EQ(img.pixel(10 + 149, 50), rise);
    EXPECT_EQ(hl.rightMargin(), 0);

    // Margins that leave nothing draw nothing.
    hl.setLRMargin(100, 100);
    EXPECT_TRUE(hl.frameRect().isNull());
    EXPECT_EQ(host.grab().toImage().pixel(10, 10), bg);

    // Theme change re-reads the colour.
    hl.setLRMargin(0, 0);
    CUiResource::instance()->setTheme(QStringLiteral("light"));
    EXPECT_EQ(host.grab().toImage().pixel(10, 10), colourOf("clr_global_rise").rgb());
}

TEST_F(PaneWidgetsTest, PushButtonReportsItsIdBySignalAndToItsUpstream)
{
    Recorder pane;
    CPushButton button(QStringLiteral("运行模型"), 1105, &pane);
    button.setFixedSize(50, 20);
    EXPECT_EQ(button.id(), 1105);
    EXPECT_EQ(button.text(), QStringLiteral("运行模型"));
    QSignalSpy spy(&button, &CPushButton::clickedId);

    // Without an upstream: the signal only, nothing on the bus.
    int busSeen = 0;
    const int token = CEventBus::instance()->subscribe([&](int, int, int, const QString&, void*) {
        ++busSeen;
        return false;
    });
    pane.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0].toInt(), 1105);
    EXPECT_EQ(busSeen, 0);
    EXPECT_TRUE(pane.events.isEmpty());

    // With the pane upstream: event 5 with the id.
    button.setUpstream(&pane);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(spy.count(), 2);
    ASSERT_EQ(pane.events.size(), 1);
    EXPECT_EQ(pane.events[0], (QVector<int>{5, 1105, 0}));
    EXPECT_EQ(busSeen, 0);

    // A disabled button reports nothing.
    button.setEnabled(false);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(spy.count(), 2);
    CEventBus::instance()->unsubscribe(token);
}

TEST_F(PaneWidgetsTest, PushButtonLookComesFromKeys)
{
    QWidget host;
    CPushButton stop(QStringLiteral("策略停止"), 1104, &host);
    stop.setFixedSize(47, 20);
    EXPECT_TRUE(stop.setColorKeys(
        {QStringLiteral("tc_clr_back_stop_btn_nomal"), QStringLiteral("tc_clr_back_stop_btn_hover"),
         QStringLiteral("tc_clr_back_stop_btn_press"), QStringLiteral("tc_clr_back_stop_btn_disable")}));
    EXPECT_FALSE(stop.setTextColorKeys({QStringLiteral("only_one")}));
    stop.setFontKey(QStringLiteral("fnt_default_small_heavy"));
    host.show();
    EXPECT_EQ(stop.grab().toImage().pixel(1, 1), colourOf("tc_clr_back_stop_btn_nomal").rgb());
    EXPECT_TRUE(stop.font().bold());
    stop.setEnabled(false);
    EXPECT_EQ(stop.grab().toImage().pixel(1, 1), colourOf("tc_clr_back_stop_btn_disable").rgb());

    // A picture face is stretched over the whole button.
    CPushButton ok(QStringLiteral("实盘交易"), 1103, &host);
    ok.setFixedSize(47, 20);
    ok.setImageKey(QStringLiteral("img_btn_ok"));
    EXPECT_EQ(ok.grab().toImage().pixel(0, 0), colourOf("clr_button_background").rgb());

    // Theme change re-reads the keys.
    CUiResource::instance()->setTheme(QStringLiteral("light"));
    stop.setEnabled(true);
    EXPECT_EQ(stop.grab().toImage().pixel(1, 1), colourOf("tc_clr_back_stop_btn_nomal").rgb());
    EXPECT_EQ(ok.grab().toImage().pixel(0, 0), colourOf("clr_button_background").rgb());
}

TEST_F(PaneWidgetsTest, FrameSplitterLineIsAThinLineOfItsColour)
{
    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QWidget* above = filled(&host, "ic_clr_graph_kline_bg");
    auto* line = new CFrameSplitterLine(QStringLiteral("ic_clr_concise_mainwindow_split_background"), &host);
    QWidget* below = filled(&host, "ic_clr_graph_kline_bg");
    layout->addWidget(above);
    layout->addWidget(line);
    layout->addWidget(below);
    host.resize(100, 61);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

    EXPECT_EQ(line->height(), 1);
    EXPECT_EQ(line->width(), 100);
    const QImage img = host.grab().toImage();
    const int y = line->y();
    EXPECT_EQ(img.pixel(50, y), colourOf("ic_clr_concise_mainwindow_split_background").rgb());
    EXPECT_EQ(img.pixel(50, y - 1), colourOf("ic_clr_graph_kline_bg").rgb());
    EXPECT_EQ(img.pixel(50, y + 1), colourOf("ic_clr_graph_kline_bg").rgb());

    line->setFixedHeight(3);
    QApplication::processEvents();
    EXPECT_EQ(line->height(), 3);
    EXPECT_EQ(host.grab().toImage().pixel(50, line->y() + 2),
              colourOf("ic_clr_concise_mainwindow_split_background").rgb());
}
