#include <memory>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/framework/CDragWidgetList.h"
#include "platform/framework/CUiResource.h"
#include "platform/framework/CWidgetList.h"

using namespace KW;

namespace {

QColor colourOf(const char* key)
{
    return CUiResource::instance()->getColor(QString::fromLatin1(key));
}

// An item that fills itself with a theme colour, so splitter rows stand out.
QWidget* makeItem(QWidget* parent = nullptr)
{
    auto* w = new QWidget(parent);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colourOf("ic_clr_graph_kline_bg"));
    w->setPalette(pal);
    w->setAutoFillBackground(true);
    return w;
}

QRgb pixelAt(QWidget& w, int x, int y)
{
    return w.grab().toImage().pixel(x, y);
}

// Sends one mouse event to `target` at a point given in list coordinates.
void sendMouse(QWidget& list, QWidget* target, QEvent::Type type, const QPoint& listPos)
{
    const QPoint local = target->mapFrom(&list, listPos);
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent ev(type, local, target->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &ev);
}

// A left drag: the press goes to whatever child the pointer hits, and, as
// with Qt's implicit mouse grab, the moves and the release follow it there.
void drag(QWidget& list, const QPoint& from, const QPoint& to)
{
    QWidget* target = list.childAt(from);
    if (!target)
        target = &list;
    sendMouse(list, target, QEvent::MouseButtonPress, from);
    sendMouse(list, target, QEvent::MouseMove, (from + to) / 2);
    sendMouse(list, target, QEvent::MouseMove, to);
    sendMouse(list, target, QEvent::MouseButtonRelease, to);
}

class WidgetListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        list = std::make_unique<CDragWidgetList>(Qt::Vertical);
        list->setSplitterColorKey(QStringLiteral("ic_clr_realtime_spliter_background"));
        list->setSplitterWidth(1);
        list->setMargins(0, 0, 0, 0);
        for (int i = 0; i < 3; ++i)
            items[i] = makeItem();
        list->addStretchWidget(items[0], 2, CWidgetList::AnchorBoth, false);
        list->addStretchWidget(items[1], 1, CWidgetList::AnchorBoth, true);
        list->addStretchWidget(items[2], 1, CWidgetList::AnchorBoth, true);
        list->resize(200, 401);
        list->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    }
    void TearDown() override
    {
        list.reset();
        CUiResource::instance()->setTheme(QStringLiteral("dark"));
    }

    std::unique_ptr<CDragWidgetList> list;
    QWidget* items[3] = {};
};

} // namespace

TEST_F(WidgetListTest, StretchFactorsShareTheLengthWithRemainderToTheLast)
{
    // 401 - 2 splitters = 399: 199, 99, 99 and the 2 left over to the last.
    EXPECT_EQ(items[0]->geometry(), QRect(0, 0, 200, 199));
    EXPECT_EQ(items[1]->geometry(), QRect(0, 200, 200, 99));
    EXPECT_EQ(items[2]->geometry(), QRect(0, 300, 200, 101));
    ASSERT_EQ(list->splitterRects().size(), 2);
    EXPECT_EQ(list->splitterRects()[0], QRect(0, 199, 200, 1));
    EXPECT_EQ(list->splitterRects()[1], QRect(0, 299, 200, 1));

    const QImage img = list->grab().toImage();
    const QRgb bar = colourOf("ic_clr_realtime_spliter_background").rgb();
    const QRgb item = colourOf("ic_clr_graph_kline_bg").rgb();
    EXPECT_EQ(img.pixel(100, 199), bar);
    EXPECT_EQ(img.pixel(5, 299), bar);
    EXPECT_EQ(img.pixel(100, 198), item);
    EXPECT_EQ(img.pixel(100, 200), item);
    EXPECT_EQ(img.pixel(100, 400), item);

    // Margins shrink the area; the splitter spans only the inner width.
    list->setMargins(3, 4, 5, 6);
    EXPECT_EQ(items[0]->geometry(), QRect(3, 4, 192, 194)); // 391 - 2 = 389: 194, 97, 98
    EXPECT_EQ(items[2]->geometry().bottom(), 400 - 6);
    EXPECT_EQ(list->splitterRects()[0], QRect(3, 198, 192, 1));

    // Theme change re-reads the splitter colour.
    list->setMargins(0, 0, 0, 0);
    CUiResource::instance()->setTheme(QStringLiteral("light"));
    EXPECT_EQ(pixelAt(*list, 100, 199), colourOf("ic_clr_realtime_spliter_background").rgb());
}

TEST_F(WidgetListTest, ItemsAddRemoveMoveAndHide)
{
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->indexOf(items[1]), 1);
    EXPECT_EQ(list->widgetAt(2), items[2]);
    EXPECT_EQ(list->widgetAt(3), nullptr);
    EXPECT_EQ(list->widgetAt(-1), nullptr);
    EXPECT_EQ(list->stretch(0), 2);
    EXPECT_EQ(list->stretch(7), 0);
    EXPECT_TRUE(list->isFixed(1));
    EXPECT_FALSE(list->isFixed(0));
    EXPECT_EQ(list->anchor(0), CWidgetList::AnchorBoth);
    EXPECT_EQ(items[1]->parentWidget(), list.get());

    // Refused input changes nothing.
    EXPECT_FALSE(list->addStretchWidget(nullptr, 1));
    EXPECT_FALSE(list->addStretchWidget(items[0], 1));
    EXPECT_FALSE(list->addStretchWidget(list.get(), 1));
    EXPECT_FALSE(list->removeWidget(nullptr));
    EXPECT_FALSE(list->moveWidget(5, 0));
    EXPECT_FALSE(list->changeStretch(nullptr, 3));
    EXPECT_EQ(list->count(), 3);

    // A factor below 1 counts as 1.
    EXPECT_TRUE(list->changeStretch(items[0], -4));
    EXPECT_EQ(list->stretch(0), 1);
    EXPECT_EQ(items[0]->height(), 133); // 399 / 3
    list->changeStretch(items[0], 2);

    // Insert at the top; out-of-range positions append.
    QWidget* extra = makeItem();
    EXPECT_TRUE(list->insertStretchWidget(0, extra, 4));
    EXPECT_EQ(list->indexOf(extra), 0);
    EXPECT_EQ(extra->geometry().top(), 0);
    EXPECT_EQ(items[0]->geometry().top(), extra->height() + 1);
    EXPECT_TRUE(list->moveWidget(0, 99));
    EXPECT_EQ(list->indexOf(extra), 3);
    EXPECT_EQ(extra->geometry().bottom(), 400);

    // Hidden items take no space and no splitter; showing brings them back.
    extra->hide();
    EXPECT_EQ(list->splitterRects().size(), 2);
    EXPECT_EQ(items[2]->geometry().bottom(), 400);
    extra->show();
    EXPECT_EQ(list->splitterRects().size(), 3);

    EXPECT_TRUE(list->removeWidget(extra));
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(items[2]->geometry(), QRect(0, 300, 200, 101));
    delete extra;

    // Deleting an item takes it out of the list.
    delete items[1];
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(items[2]->geometry().bottom(), 400);
    EXPECT_EQ(items[0]->height(), 2 * 400 / 3);
}

TEST_F(WidgetListTest, HorizontalListSplitsTheWidth)
{
    CWidgetList row(Qt::Horizontal);
    row.setSplitterWidth(2);
    QWidget* a = makeItem();
    QWidget* b = makeItem();
    row.addStretchWidget(a, 1);
    row.addStretchWidget(b, 3);
    row.resize(402, 30);
    row.show();
    EXPECT_EQ(a->geometry(), QRect(0, 0, 100, 30));
    EXPECT_EQ(b->geometry(), QRect(102, 0, 300, 30));
    EXPECT_EQ(pixelAt(row, 101, 10), colourOf("clr_splitter").rgb());
    EXPECT_FALSE(row.isDragEnabled());
}

TEST_F(WidgetListTest, DraggingASplitterResizesTheNeighboursAndReportsTheItemAbove)
{
    QSignalSpy spy(list.get(), &CDragWidgetList::stretchDragged);
    drag(*list, QPoint(100, 199), QPoint(100, 249));

    EXPECT_EQ(items[0]->height(), 249);
    EXPECT_EQ(items[1]->geometry(), QRect(0, 250, 200, 49));
    EXPECT_EQ(items[2]->height(), 101);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0].toInt(), 0);
    EXPECT_EQ(spy[0][1].value<QWidget*>(), items[0]);

    // Factors now follow what the user made and survive a resize in proportion.
    EXPECT_EQ(list->stretch(0), 249);
    EXPECT_EQ(list->stretch(1), 49);
    EXPECT_EQ(list->stretch(2), 101);
    list->resize(200, 801);
    EXPECT_EQ(items[0]->height(), 498);
    EXPECT_EQ(items[1]->height(), 98);
    EXPECT_EQ(items[2]->height(), 203);

    // A press and release without movement reports nothing.
    list->resize(200, 401);
    const int before = items[0]->height();
    drag(*list, QPoint(100, before), QPoint(100, before));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(items[0]->height(), before);
}

TEST_F(WidgetListTest, DragStopsAtTheMinimumAndOnlyNonFixedItemsGiveWay)
{
    // Down: the fixed pane below stops at 20 px, the fixed one after it never gives.
    drag(*list, QPoint(100, 199), QPoint(100, 399));
    EXPECT_EQ(items[1]->height(), 20);
    EXPECT_EQ(items[2]->height(), 101);
    EXPECT_EQ(items[0]->height(), 199 + 79);
    EXPECT_EQ(items[2]->geometry().bottom(), 400);

    // Up on the lower splitter: the pane above shrinks to 20, then the
    // non-fixed main pane gives way down to 20 as well.
    const int lower = list->splitterRects()[1].top();
    drag(*list, QPoint(100, lower), QPoint(100, 0));
    EXPECT_EQ(items[1]->height(), 20);
    EXPECT_EQ(items[0]->height(), 20);
    EXPECT_EQ(items[2]->height(), 399 - 40);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list->stretch(i), list->itemLength(i));
}

TEST_F(WidgetListTest, AnchorsAndDisabledDraggingKeepTheSplitterStill)
{
    QSignalSpy spy(list.get(), &CDragWidgetList::stretchDragged);

    list->setDragEnable(false);
    EXPECT_FALSE(list->isDragEnabled());
    drag(*list, QPoint(100, 199), QPoint(100, 260));
    EXPECT_EQ(items[0]->height(), 199);
    EXPECT_EQ(spy.count(), 0);
    list->setDragEnable(true);

    // The item after the second splitter refuses its leading edge.
    QWidget* tail = makeItem();
    list->addStretchWidget(tail, 1, CWidgetList::AnchorTrailing, true);
    const QRect bar = list->splitterRects()[2];
    const int tailHeight = tail->height();
    drag(*list, bar.center(), bar.center() - QPoint(0, 40));
    EXPECT_EQ(tail->height(), tailHeight);
    EXPECT_EQ(spy.count(), 0);
}

TEST_F(WidgetListTest, OldStretchIsRememberedWhenDraggingIsDisabled)
{
    EXPECT_EQ(list->oldStretch(0), 2);
    drag(*list, QPoint(100, 199), QPoint(100, 219));
    EXPECT_EQ(list->stretch(0), 219);
    EXPECT_EQ(list->oldStretch(0), 2);

    // Disabling remembers the current factors; later changes can be undone.
    list->setDragEnable(false);
    EXPECT_EQ(list->oldStretch(0), 219);
    list->changeStretch(items[0], 7);
    list->changeStretch(items[2], 7);
    list->resetOldStretch();
    EXPECT_EQ(list->stretch(0), 219);
    EXPECT_EQ(list->stretch(2), list->oldStretch(2));
    EXPECT_EQ(items[0]->height(), 219);

    // Disabling twice does not overwrite the memory with the changed factors.
    list->changeStretch(items[0], 5);
    list->setDragEnable(false);
    EXPECT_EQ(list->oldStretch(0), 219);

    // rememberStretch() takes the current factors explicitly.
    list->rememberStretch();
    EXPECT_EQ(list->oldStretch(0), 5);
}

TEST_F(WidgetListTest, NoItemIsLaidOutBelowTheMinimumWhileThereIsRoom)
{
    list->setMinimumItemLength(60);
    // Factors of pixel heights from a much taller window: 1 against 10000.
    list->changeStretchAt(0, 10000);
    list->changeStretchAt(1, 1);
    list->changeStretchAt(2, 3);
    // 399 to share: the two small items are pinned at 60, the big one takes
    // the rest; the items still tile the list.
    EXPECT_EQ(items[1]->height(), 60);
    EXPECT_EQ(items[2]->height(), 60);
    EXPECT_EQ(items[0]->height(), 399 - 120);
    EXPECT_EQ(items[1]->y(), items[0]->height() + 1);
    EXPECT_EQ(items[2]->geometry().bottom(), 400);

    // Proportional shares above the minimum are untouched.
    list->changeStretchAt(0, 2);
    list->changeStretchAt(1, 1);
    list->changeStretchAt(2, 1);
    EXPECT_EQ(items[0]->height(), 199);
    EXPECT_EQ(items[1]->height(), 99);

    // Too short for every item at the minimum: each gets an equal share at
    // least (35 of 107), the remainder to the last.
    list->changeStretchAt(0, 10000);
    list->resize(200, 107);
    EXPECT_GE(items[0]->height(), 35);
    EXPECT_EQ(items[1]->height(), 35);
    EXPECT_EQ(items[0]->height() + items[1]->height() + items[2]->height(), 105);
    list->resize(200, 401);
    EXPECT_EQ(items[1]->height(), 60);
}
