#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include "platform/framework/CBaseDialog.h"
#include "platform/framework/CBaseWidget.h"
#include "platform/framework/CCommonDialog.h"
#include "platform/framework/CCustomDialog.h"
#include "platform/framework/CDialogTitleBar.h"
#include "platform/framework/CEventBus.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CStyleSheetCenter.h"
#include "platform/framework/CUiResource.h"

using namespace KW;

namespace {

QColor colourOf(const char* key)
{
    return CUiResource::instance()->getColor(QString::fromLatin1(key));
}

// A pane-like widget: paints the chart background and follows the theme.
class PaintedWidget : public CBaseWidget
{
public:
    explicit PaintedWidget(QWidget* parent = nullptr)
        : CBaseWidget(QStringLiteral("painted_widget"), false, parent)
    {
    }
    void themeChanged() override
    {
        ++themes;
        CBaseWidget::themeChanged();
    }
    bool handleEvent(int id, int, int, const QString&, void*) override { return id == 186; }
    int themes = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), colourOf("ic_clr_graph_kline_bg"));
        p.setPen(colourOf("clr_global_rise"));
        p.drawLine(0, height() / 2, width(), height() / 2);
    }
};

class WidgetTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        CUiResource::instance()->setTheme(QStringLiteral("dark"));
        CMessageBox::setAutoAnswer(-1);
    }
};

class ValidatingDialog : public CCommonDialog
{
public:
    bool allow = false;

protected:
    bool acceptInput() override { return allow; }
};

} // namespace

TEST_F(WidgetTest, BaseWidgetIsARealWidgetEndpointAndHandler)
{
    PaintedWidget w;
    EXPECT_EQ(w.objectName(), QStringLiteral("painted_widget"));
    EXPECT_FALSE(w.isDialogWidget());
    w.resize(120, 60);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    QImage img = w.grab().toImage();
    EXPECT_EQ(QColor(img.pixel(5, 5)).rgb(), colourOf("ic_clr_graph_kline_bg").rgb());
    EXPECT_EQ(QColor(img.pixel(60, 30)).rgb(), colourOf("clr_global_rise").rgb());

    // Theme change repaints in the new colours.
    CUiResource::instance()->setTheme(QStringLiteral("light"));
    EXPECT_EQ(w.themes, 1);
    img = w.grab().toImage();
    EXPECT_EQ(QColor(img.pixel(5, 5)).rgb(), colourOf("ic_clr_graph_kline_bg").rgb());

    // As a deliverer: a child series consumes nothing, the widget consumes 186.
    struct Series : CEventDeliverer {
        using CEventDeliverer::CEventDeliverer;
    } series(&w);
    int busSeen = 0;
    const int token = CEventBus::instance()->subscribe([&](int, int, int, const QString&, void*) {
        ++busSeen;
        return false;
    });
    series.deliverEvent(186, 0, 0, QString(), nullptr);
    EXPECT_EQ(busSeen, 0);
    series.deliverEvent(187, 0, 0, QString(), nullptr);
    EXPECT_EQ(busSeen, 1);
    CEventBus::instance()->unsubscribe(token);
}

TEST_F(WidgetTest, BaseWidgetAsDialogWindow)
{
    CBaseWidget dlg(QStringLiteral("dialog_like"), true);
    EXPECT_TRUE(dlg.isDialogWidget());
    EXPECT_EQ(dlg.windowType(), Qt::Dialog);
    dlg.resize(50, 40);
    const QImage img = dlg.grab().toImage();
    EXPECT_EQ(QColor(img.pixel(25, 20)).rgb(), colourOf("clr_window_background").rgb());

    CEventWidgetT<QLabel> label(QStringLiteral("text"));
    EXPECT_EQ(label.text(), QStringLiteral("text"));
    EXPECT_FALSE(label.handleEvent(1, 0, 0, QString(), nullptr));
}

TEST_F(WidgetTest, CustomDialogHasItsOwnTitleBarAndIsDraggedByIt)
{
    CCustomDialog dlg(nullptr, QStringLiteral("my_dialog"));
    dlg.setTitle(QStringLiteral("时段行情"));
    EXPECT_TRUE(dlg.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dlg.titleBar()->title(), QStringLiteral("时段行情"));
    dlg.setWindowTitle(QStringLiteral("阶段排行"));
    EXPECT_EQ(dlg.titleBar()->title(), QStringLiteral("阶段排行"));

    dlg.resize(300, 200);
    dlg.move(100, 100);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));

    const int th = CUiResource::instance()->getSize(QStringLiteral("siz_title_height"));
    EXPECT_EQ(dlg.titleBar()->height(), th);
    const QImage img = dlg.grab().toImage();
    EXPECT_EQ(QColor(img.pixel(0, 100)).rgb(), colourOf("clr_dialog_border").rgb());
    EXPECT_EQ(QColor(img.pixel(150, 3)).rgb(), colourOf("clr_title_background").rgb());
    EXPECT_EQ(QColor(img.pixel(150, th + 50)).rgb(), colourOf("clr_window_background").rgb());

    // Drag by the title: press, move by (+40, +25), release.
    CDialogTitleBar* bar = dlg.titleBar();
    const QPoint start = dlg.pos();
    const QPoint local(60, th / 2);
    const QPoint global = bar->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
    const QPoint global2 = global + QPoint(40, 25);
    QMouseEvent move(QEvent::MouseMove, bar->mapFromGlobal(global2), global2, Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, bar->mapFromGlobal(global2), global2, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &release);
    EXPECT_EQ(dlg.pos(), start + QPoint(40, 25));

    // After release moving does nothing.
    const QPoint global3 = global2 + QPoint(10, 10);
    QMouseEvent stray(QEvent::MouseMove, bar->mapFromGlobal(global3), global3, Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(bar, &stray);
    EXPECT_EQ(dlg.pos(), start + QPoint(40, 25));

    // The close button rejects.
    QTest::mouseClick(bar->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

TEST_F(WidgetTest, CommonDialogOkAndCancel)
{
    ValidatingDialog dlg;
    dlg.setTitle(QStringLiteral("生成外部数据"));
    ASSERT_NE(dlg.contentWidget(), nullptr);
    EXPECT_EQ(dlg.okButton()->text(), QStringLiteral("确定"));
    EXPECT_EQ(dlg.cancelButton()->text(), QStringLiteral("取消"));
    dlg.resize(250, 300);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));

    // The content area sits between the title bar and the buttons.
    const QRect content(dlg.contentWidget()->mapTo(&dlg, QPoint(0, 0)), dlg.contentWidget()->size());
    const QRect ok(dlg.okButton()->mapTo(&dlg, QPoint(0, 0)), dlg.okButton()->size());
    EXPECT_GE(content.top(), dlg.titleBar()->height());
    EXPECT_GT(ok.top(), content.bottom());
    EXPECT_GT(content.height(), 100);

    QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
    EXPECT_TRUE(dlg.isVisible()) << "validation refused: stays open";
    dlg.allow = true;
    QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);

    dlg.show();
    QTest::mouseClick(dlg.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);

    dlg.setButtonsVisible(true, false);
    EXPECT_TRUE(dlg.cancelButton()->isHidden());
}

TEST_F(WidgetTest, CommonDialogExecCanBeAnsweredByClicking)
{
    CCommonDialog dlg;
    QTimer::singleShot(0, &dlg, [&dlg]() { QTest::mouseClick(dlg.okButton(), Qt::LeftButton); });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
}

TEST_F(WidgetTest, MessageBoxAutoAnswerDoesNotBlockAndIsRecorded)
{
    const int shown = CMessageBox::shownCount();
    CMessageBox::setAutoAnswer(QMessageBox::Ok);
    EXPECT_EQ(CMessageBox::information(QStringLiteral("Orvo指标终端"), QStringLiteral("添加成功!")),
              QMessageBox::Ok);
    EXPECT_EQ(CMessageBox::lastTitle(), QStringLiteral("Orvo指标终端"));
    EXPECT_EQ(CMessageBox::lastText(), QStringLiteral("添加成功!"));
    EXPECT_EQ(CMessageBox::lastKind(), CMessageBox::Information);

    QWidget parent;
    CMessageBox::setAutoAnswer(QMessageBox::No);
    EXPECT_EQ(CMessageBox::question(QStringLiteral("提示"), QStringLiteral("是否删除?"), &parent),
              QMessageBox::No);
    EXPECT_EQ(CMessageBox::lastKind(), CMessageBox::Question);
    CMessageBox::setAutoAnswer(QMessageBox::Yes);
    EXPECT_EQ(CMessageBox::question(QStringLiteral("提示"), QStringLiteral("是否删除?"), &parent),
              QMessageBox::Yes);
    CMessageBox::setAutoAnswer(QMessageBox::Ok);
    EXPECT_EQ(CMessageBox::warning(QStringLiteral("提示"), QStringLiteral("数据为空")), QMessageBox::Ok);
    EXPECT_EQ(CMessageBox::lastKind(), CMessageBox::Warning);
    EXPECT_EQ(CMessageBox::shownCount(), shown + 4);
    EXPECT_TRUE(parent.findChildren<CMessageBox*>().isEmpty()) << "boxes are not leaked into the parent";
}

TEST_F(WidgetTest, MessageBoxButtonsAndClosing)
{
    CMessageBox q(CMessageBox::Question, QStringLiteral("提示"), QStringLiteral("继续?"));
    EXPECT_EQ(q.title(), QStringLiteral("提示"));
    EXPECT_EQ(q.text(), QStringLiteral("继续?"));
    auto* yes = q.findChild<QPushButton*>(QStringLiteral("message_box_yes"));
    auto* no = q.findChild<QPushButton*>(QStringLiteral("message_box_no"));
    ASSERT_NE(yes, nullptr);
    ASSERT_NE(no, nullptr);
    EXPECT_EQ(yes->text(), QStringLiteral("是"));
    EXPECT_EQ(no->text(), QStringLiteral("否"));
    QTimer::singleShot(0, &q, [yes]() { QTest::mouseClick(yes, Qt::LeftButton); });
    EXPECT_EQ(q.exec(), QMessageBox::Yes);
    QTimer::singleShot(0, &q, [&q]() { QTest::mouseClick(q.titleBar()->closeButton(), Qt::LeftButton); });
    EXPECT_EQ(q.exec(), QMessageBox::No);

    CMessageBox info(CMessageBox::Information, QStringLiteral("提示"), QStringLiteral("完成"));
    auto* ok = info.findChild<QPushButton*>(QStringLiteral("message_box_ok"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("确定"));
    EXPECT_EQ(info.findChild<QPushButton*>(QStringLiteral("message_box_no")), nullptr);
    info.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
    EXPECT_FALSE(info.grab().isNull());
}

TEST_F(WidgetTest, StyleSheetsFollowTheTheme)
{
    for (int type : {CStyleSheetCenter::Button, CStyleSheetCenter::LineEdit, CStyleSheetCenter::CheckBox,
                     CStyleSheetCenter::Table, CStyleSheetCenter::ScrollBar, CStyleSheetCenter::Menu})
        EXPECT_FALSE(CStyleSheetCenter::getStyle(type, nullptr).isEmpty()) << type;
    EXPECT_TRUE(CStyleSheetCenter::getStyle(999, nullptr).isEmpty());

    const QString darkMenu = CStyleSheetCenter::getStyle(15, nullptr);
    const QColor bg = colourOf("clr_menu_background");
    EXPECT_TRUE(darkMenu.startsWith(QStringLiteral("QMenu")));
    EXPECT_TRUE(
        darkMenu.contains(QStringLiteral("rgba(%1,%2,%3,255)").arg(bg.red()).arg(bg.green()).arg(bg.blue())));
    CUiResource::instance()->setTheme(QStringLiteral("light"));
    EXPECT_NE(CStyleSheetCenter::getStyle(15, nullptr), darkMenu);

    // A styled button really paints the theme's button colour.
    QPushButton b(QStringLiteral("确定"));
    b.setStyleSheet(CStyleSheetCenter::getStyle(CStyleSheetCenter::Button, &b));
    b.resize(80, 24);
    const QImage img = b.grab().toImage();
    EXPECT_EQ(QColor(img.pixel(40, 3)).rgb(), colourOf("clr_button_background").rgb());
}
