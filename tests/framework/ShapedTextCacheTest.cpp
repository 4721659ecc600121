// Texts drawn from the shaped-glyph cache land on the pixels drawText gives,
// for the alignments the chart uses, and the cache stays bounded.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "platform/framework/CShapedTextCache.h"
#include "platform/framework/CUiResource.h"

namespace {

const char* const kTexts[] = {"MA5: 14.52", "MACD(12,26,9)", "浦发银行 600000", "2026/11/03周二", "-0.0312",
                              "123.4万"};

template <typename Draw>
QImage paint(const QSize& size, const QFont& font, Draw draw)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(QColor(255, 210, 0));
    draw(p);
    return image;
}

QVector<QFont> fonts()
{
    QVector<QFont> out{KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal")),
                       KW::CUiResource::instance()->getFont(QStringLiteral("fnt_graph_axis_text"))};
    QFont big = out.front();
    big.setPixelSize(17);
    out << big;
    return out;
}

} // namespace

TEST(ShapedTextCache, LeftAlignedTextHasDrawTextsPixels)
{
    KW::CShapedTextCache cache;
    for (const QFont& font : fonts())
        for (int h : {12, 15, 18, 21}) // 12 and the big font: the line is cut at the box
            for (const char* t : kTexts) {
                const QString text = QString::fromUtf8(t);
                const QRect box(5, 1, cache.get(font, text).width + 1, h);
                const QSize size(320, h + 2);
                const QImage want = paint(size, font, [&](QPainter& p) {
                    p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text);
                });
                const QImage got = paint(size, font, [&](QPainter& p) { cache.drawLeft(p, font, box, text); });
                EXPECT_TRUE(got == want) << t << " height " << h << " px " << font.pixelSize();
            }
}

TEST(ShapedTextCache, TopAlignedTextHasDrawTextsPixels)
{
    // The price axis's labels: drawText with no alignment flags.
    KW::CShapedTextCache cache;
    for (const QFont& font : fonts())
        for (int h : {10, 14, 19})
            for (int extra : {-9, 0, 6}) // -9: cut at the box's right edge
                for (const char* t : kTexts) {
                    const QString text = QString::fromUtf8(t);
                    const QRect box(7, 2, cache.get(font, text).width + extra, h);
                    const QSize size(320, h + 4);
                    const QImage want = paint(size, font, [&](QPainter& p) { p.drawText(box, 0, text); });
                    const QImage got =
                        paint(size, font, [&](QPainter& p) { cache.drawTopLeft(p, font, box, text); });
                    EXPECT_TRUE(got == want) << t << " height " << h << " extra " << extra << " px "
                                             << font.pixelSize();
                }
}

TEST(ShapedTextCache, CentredTextHasDrawTextsPixelsAndIsClippedToItsBox)
{
    KW::CShapedTextCache cache;
    for (const QFont& font : fonts())
        for (int w : {30, 57, 131}) // 30: wider texts overflow and are cut at the box
            for (const char* t : kTexts) {
                const QString text = QString::fromUtf8(t);
                const QRect box(40, 2, w, 16);
                const QImage want = paint(QSize(240, 20), font,
                                          [&](QPainter& p) { p.drawText(box, Qt::AlignCenter, text); });
                const QImage got =
                    paint(QSize(240, 20), font, [&](QPainter& p) { cache.drawCentred(p, font, box, text); });
                EXPECT_TRUE(got == want) << t << " width " << w << " px " << font.pixelSize();
                // Nothing outside the box.
                for (int y = 0; y < got.height(); ++y) {
                    for (int x = 0; x < got.width(); ++x) {
                        if (!box.contains(x, y)) {
                            ASSERT_EQ(got.pixel(x, y), QColor(Qt::black).rgb()) << t << " at " << x << "," << y;
                        }
                    }
                }
            }
}

TEST(ShapedTextCache, StaysWithinItsCapacityAndFollowsAFontChange)
{
    KW::CShapedTextCache cache(8);
    QFont font = fonts().front();
    for (int i = 0; i < 100; ++i) {
        cache.get(font, QString::number(i * 0.01, 'f', 2));
        ASSERT_LE(cache.size(), 8);
    }
    const QString text = QStringLiteral("14.52");
    const int narrow = cache.get(font, text).width;
    font.setPixelSize(font.pixelSize() * 2);
    EXPECT_EQ(cache.get(font, text).width, QFontMetrics(font).horizontalAdvance(text));
    EXPECT_GT(cache.get(font, text).width, narrow);
    EXPECT_EQ(cache.size(), 1) << "a new font starts over";
}
