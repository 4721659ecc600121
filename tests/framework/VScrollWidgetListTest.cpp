// The scrolling widget list: stacking, refusal, items deleted elsewhere,
// clearing, and scrolling once the items outgrow the list.
#include <gtest/gtest.h>

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "platform/framework/CCheckBox.h"
#include "platform/framework/CVScrollWidgetList.h"

namespace {

TEST(VScrollWidgetList, StacksItemsAndScrollsWhenTheyOutgrowIt)
{
    KW::CVScrollWidgetList list;
    list.resize(200, 100);
    list.setSpacing(2);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    auto* a = new QLabel("a");
    auto* b = new QLabel("b");
    EXPECT_TRUE(list.addWidget(a, 25));
    EXPECT_FALSE(list.addWidget(a, 25));
    EXPECT_FALSE(list.addWidget(nullptr, 25));
    EXPECT_TRUE(list.addWidget(b, 0));
    list.updateList();
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(b->geometry(), QRect(0, 27, list.scrollArea()->viewport()->width(), 1));
    EXPECT_EQ(list.contentHeight(), 28);
    EXPECT_EQ(list.scrollArea()->verticalScrollBar()->maximum(), 0);

    delete a; // elsewhere: its place goes on the next layout
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(list.widgetAt(0), b);
    list.updateList();
    EXPECT_EQ(b->y(), 0);

    for (int i = 0; i < 10; ++i)
        list.addWidget(new KW::CCheckBox(QString::number(i), i), 25);
    list.updateList();
    EXPECT_EQ(list.contentHeight(), 1 + 10 * (25 + 2));
    EXPECT_GT(list.scrollArea()->verticalScrollBar()->maximum(), 0);
    // Items stay as wide as the visible area once the scroll bar takes room.
    EXPECT_EQ(list.widgetAt(3)->width(), list.scrollArea()->viewport()->width());

    QPointer<QWidget> kept = list.widgetAt(5);
    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(kept.isNull());
    EXPECT_EQ(list.scrollArea()->verticalScrollBar()->maximum(), 0);
    list.addWidget(new QLabel("last"), 25); // destroyed with the list
}

TEST(VScrollWidgetList, CheckBoxesReportTheirId)
{
    KW::CCheckBox box("DIF", 7);
    QSignalSpy spy(&box, &KW::CCheckBox::toggledId);
    box.setChecked(true);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 7);
    EXPECT_TRUE(spy.at(0).at(1).toBool());
}

} // namespace
