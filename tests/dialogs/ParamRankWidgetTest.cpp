#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include "dialogs/CParamRankWidget.h"
#include "platform/framework/CUiResource.h"

using TC::CParamRankWidget;

namespace {

QColor res(const char* key)
{
    return KW::CUiResource::instance()->getColor(QString::fromLatin1(key));
}

QImage snapshot(CParamRankWidget& w)
{
    return w.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

bool near(QRgb px, const QColor& c, int tolerance)
{
    return std::abs(qRed(px) - c.red()) <= tolerance && std::abs(qGreen(px) - c.green()) <= tolerance &&
           std::abs(qBlue(px) - c.blue()) <= tolerance;
}

int countNear(const QImage& img, const QRect& area, const QColor& c, int tolerance)
{
    int n = 0;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (near(img.pixel(x, y), c, tolerance))
                ++n;
    return n;
}

// The colour of the most opaque pixel of a picture: what its drawing leaves
// unchanged on any background.
QColor solidColour(const QPixmap& pm)
{
    const QImage img = pm.toImage().convertToFormat(QImage::Format_ARGB32);
    QRgb best = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > qAlpha(best))
                best = img.pixel(x, y);
    return QColor::fromRgba(best);
}

// The cell where row `i`'s arrow goes.
QRect arrowCell(const CParamRankWidget& w, int i)
{
    const int x = w.rowsOrigin().x() + w.nameWidth() + CParamRankWidget::kColumnGap + w.valueWidth() +
                  CParamRankWidget::kColumnGap;
    const int y = w.rowsOrigin().y() + i * (w.rowHeight() + CParamRankWidget::kRowGap);
    return QRect(x, y, w.width() - CParamRankWidget::kMargin - x, w.rowHeight());
}

const QColor kLineColour(0, 120, 255);

} // namespace

TEST(ParamRankWidget, IsAFramelessToolWindowThatNeverTakesFocus)
{
    QWidget pane;
    CParamRankWidget w(&pane);
    EXPECT_EQ(w.objectName(), QStringLiteral("CParamRankWidget"));
    EXPECT_EQ(w.parentWidget(), &pane);
    EXPECT_TRUE(w.isWindow());
    EXPECT_EQ(w.windowType(), Qt::Tool);
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(w.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(w.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(w.focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(w.isHidden()); // the pane decides when it shows
}

TEST(ParamRankWidget, HidesWhenTheMouseEntersOrMovesOverIt)
{
    QWidget pane;
    CParamRankWidget w(&pane);
    w.addRow(QStringLiteral("MA5"), QStringLiteral("10.25"), kLineColour, 0);
    w.relayout();

    w.show();
    ASSERT_TRUE(w.isVisible());
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(w.isHidden());

    w.show();
    ASSERT_TRUE(w.isVisible());
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
    EXPECT_TRUE(w.isHidden());
    EXPECT_TRUE(w.hasMouseTracking()); // plain moves must reach it, not only drags
}

TEST(ParamRankWidget, PaintsBackgroundBorderTitleAndRows)
{
    CParamRankWidget w(nullptr);
    w.setTitle(QStringLiteral("MACD"));
    w.addRow(QStringLiteral("DIF"), QStringLiteral("0.123"), kLineColour, 0);
    w.addRow(QStringLiteral("DEA"), QStringLiteral("-0.045"), kLineColour, 0);
    w.relayout();
    const QImage img = snapshot(w);
    ASSERT_EQ(img.size(), w.size());

    const QColor border = res("ic_clr_param_rank_border");
    const int r = w.width() - 1, b = w.height() - 1;
    for (const QPoint& p : {QPoint(0, 0), QPoint(r, 0), QPoint(0, b), QPoint(r, b), QPoint(r / 2, 0),
                            QPoint(0, b / 2), QPoint(r, b / 2), QPoint(r / 2, b)})
        EXPECT_TRUE(near(img.pixel(p), border, 0)) << p.x() << "," << p.y();
    // Inside the margins only the background shows.
    const QColor background = res("ic_clr_param_rank_background");
    for (const QPoint& p : {QPoint(1, 1), QPoint(r - 1, b - 1), QPoint(5, b / 2), QPoint(r - 5, 5)})
        EXPECT_TRUE(near(img.pixel(p), background, 0)) << p.x() << "," << p.y();

    const QColor titleColour = res("ic_clr_param_rank_title");
    const QFontMetrics titleMetrics(KW::CUiResource::instance()->getFont(QStringLiteral("ic_fnt_param_rank_title")));
    EXPECT_EQ(w.titlePoint(), QPoint(10, 10));
    EXPECT_GT(countNear(img, QRect(w.titlePoint(), QSize(w.width() - 20, titleMetrics.height())), titleColour, 40),
              0);
    // Rows: names in the line's colour, one per row, 12 px apart.
    EXPECT_GE(w.rowsOrigin().y(), 10 + titleMetrics.height());
    for (int i = 0; i < 2; ++i) {
        const QRect nameCell(w.rowsOrigin().x(), w.rowsOrigin().y() + i * (w.rowHeight() + 12), w.nameWidth(),
                             w.rowHeight());
        EXPECT_GT(countNear(img, nameCell, kLineColour, 40), 0) << i;
    }
    EXPECT_EQ(w.height(), w.rowsOrigin().y() + 2 * w.rowHeight() + 12 + 10);
}

TEST(ParamRankWidget, RowsWithoutTitleDrawOnlyTheRows)
{
    CParamRankWidget w(nullptr);
    w.addRow(QStringLiteral("VOL"), QStringLiteral("12345"), kLineColour, 0);
    w.relayout();
    EXPECT_EQ(w.rowsOrigin(), QPoint(10, 10)); // the rows take the title's place
    const QImage img = snapshot(w);
    EXPECT_EQ(countNear(img, img.rect(), res("ic_clr_param_rank_title"), 40), 0);
    EXPECT_GT(countNear(img, img.rect(), kLineColour, 40), 0);
    EXPECT_EQ(w.height(), 10 + w.rowHeight() + 10);

    // A title alone still draws, and clearing the rows shrinks to it.
    w.setTitle(QStringLiteral("VOL"));
    w.clearRows();
    EXPECT_EQ(w.rowCount(), 0);
    w.relayout();
    const QImage titled = snapshot(w);
    EXPECT_GT(countNear(titled, titled.rect(), res("ic_clr_param_rank_title"), 40), 0);
    EXPECT_EQ(countNear(titled, titled.rect(), kLineColour, 40), 0);
}

TEST(ParamRankWidget, ArrowsFollowTheTrend)
{
    const QPixmap up = KW::CUiResource::instance()->getPixmap(QStringLiteral("ic_img_arrow_up"));
    const QPixmap down = KW::CUiResource::instance()->getPixmap(QStringLiteral("ic_img_arrow_down"));
    ASSERT_FALSE(up.isNull());
    ASSERT_FALSE(down.isNull());
    const QColor upColour = solidColour(up), downColour = solidColour(down);
    ASSERT_NE(upColour.rgb(), downColour.rgb());

    CParamRankWidget w(nullptr);
    w.addRow(QStringLiteral("A"), QStringLiteral("1.00"), kLineColour, 1);
    w.addRow(QStringLiteral("B"), QStringLiteral("2.00"), kLineColour, 0);
    w.addRow(QStringLiteral("C"), QStringLiteral("3.00"), kLineColour, 2);
    w.addRow(QStringLiteral("D"), QStringLiteral("4.00"), kLineColour, 7); // unknown trend: no arrow
    w.relayout();
    EXPECT_EQ(w.rowCount(), 4);
    EXPECT_GE(w.rowHeight(), up.height());
    const QImage img = snapshot(w);

    EXPECT_GT(countNear(img, arrowCell(w, 0), upColour, 0), 0);
    EXPECT_EQ(countNear(img, arrowCell(w, 0), downColour, 0), 0);
    EXPECT_EQ(countNear(img, arrowCell(w, 1), upColour, 0), 0);
    EXPECT_EQ(countNear(img, arrowCell(w, 1), downColour, 0), 0);
    EXPECT_GT(countNear(img, arrowCell(w, 2), downColour, 0), 0);
    EXPECT_EQ(countNear(img, arrowCell(w, 3), upColour, 0), 0);
    EXPECT_EQ(countNear(img, arrowCell(w, 3), downColour, 0), 0);

    // No trend at all: no arrow column is reserved.
    CParamRankWidget flat(nullptr);
    flat.addRow(QStringLiteral("A"), QStringLiteral("1.00"), kLineColour, 1);
    const int withArrow = (flat.relayout(), flat.width());
    flat.clearRows();
    flat.addRow(QStringLiteral("A"), QStringLiteral("1.00"), kLineColour, 0);
    flat.relayout();
    EXPECT_EQ(flat.width(), withArrow - CParamRankWidget::kColumnGap - up.width());
    const QImage flatImg = snapshot(flat);
    EXPECT_EQ(countNear(flatImg, flatImg.rect(), upColour, 0), 0);
}

TEST(ParamRankWidget, SizeFollowsTheTexts)
{
    CParamRankWidget w(nullptr);
    w.addRow(QStringLiteral("MA5"), QStringLiteral("10.25"), kLineColour, 0);
    w.relayout();
    const QSize small = w.size();

    w.clearRows();
    w.addRow(QStringLiteral("MA5 long indicator line name"), QStringLiteral("10.25"), kLineColour, 0);
    w.relayout();
    EXPECT_GT(w.width(), small.width());
    EXPECT_EQ(w.height(), small.height());

    // A long title widens the popup past the rows; every row adds one step.
    const int rowsOnly = w.width();
    w.setTitle(QStringLiteral("A formula result name much longer than any of its rows"));
    w.relayout();
    EXPECT_GT(w.width(), rowsOnly);
    const int oneRow = w.height();
    w.addRow(QStringLiteral("MA10"), QStringLiteral("9.80"), kLineColour, 0);
    w.relayout();
    EXPECT_EQ(w.height(), oneRow + w.rowHeight() + CParamRankWidget::kRowGap);

    // Names and values that do not fit are never cut: the columns hold the widest.
    const QFontMetrics fm(KW::CUiResource::instance()->getFont(QStringLiteral("ic_fnt_param_rank_text")));
    EXPECT_GE(w.nameWidth(), fm.horizontalAdvance(QStringLiteral("MA5 long indicator line name")));
    EXPECT_GE(w.valueWidth(), fm.horizontalAdvance(QStringLiteral("10.25")));
}

TEST(ParamRankWidget, OddInputIsDrawnWithoutHarm)
{
    CParamRankWidget w(nullptr);
    w.relayout();
    EXPECT_EQ(w.size(), QSize(20, 20)); // empty: margins only
    EXPECT_FALSE(snapshot(w).isNull());

    // Empty texts and an invalid colour: the row is laid out and drawn in the text colour.
    w.addRow(QString(), QString(), QColor(), -3);
    w.addRow(QStringLiteral("X"), QStringLiteral("1"), QColor(), 0);
    w.relayout();
    EXPECT_EQ(w.rowCount(), 2);
    const QImage img = snapshot(w);
    EXPECT_GT(countNear(img, img.rect(), res("ic_clr_param_rank_text"), 40), 0);
}

TEST(ParamRankWidget, ThemeChangeReloadsColours)
{
    CParamRankWidget w(nullptr);
    w.addRow(QStringLiteral("MA5"), QStringLiteral("10.25"), kLineColour, 0);
    w.relayout();
    KW::CUiResource* store = KW::CUiResource::instance();
    const QString before = store->currentTheme();
    for (const QString& theme : store->themeNames()) {
        ASSERT_TRUE(store->setTheme(theme));
        const QImage img = snapshot(w);
        EXPECT_TRUE(near(img.pixel(1, 1), res("ic_clr_param_rank_background"), 0)) << theme.toStdString();
        EXPECT_TRUE(near(img.pixel(0, 0), res("ic_clr_param_rank_border"), 0)) << theme.toStdString();
    }
    store->setTheme(before);
}
