// The formula language's drawing functions end to end: a formula computed by
// the service stand-in and drawn by a series leaves pixels in its colours.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSet>

#include "platform/formula/catalog/CFormulaDetail.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/framework/CUiResource.h"
#include "series/SeriesTestSupport.h"

namespace {

class CFormulaSeries : public TC::CKLineData
{
public:
    using TC::CKLineData::CKLineData;
    void put(const TC::CFormulaKey& key, const TC::RPCFormulaResultCache& cache)
    {
        m_data.insert(key, cache);
        if (!m_formulas.contains(key.formula))
            m_formulas << key.formula;
    }
};

// The colours a formula's drawing leaves on the plot of the last 40 bars.
QSet<QRgb> drawnColours(const QString& source)
{
    TC::CFormulaDetail d;
    d.setName(QStringLiteral("STYLETEST"));
    d.setSource(source);
    TC::CFormulaParam p;
    p.market = QStringLiteral("SH");
    p.code = QStringLiteral("600000");
    p.formula = d.getName();
    p.periodMs = 86400000;
    p.rangeStart = quoter::TimeSeq::TIME_START2;
    p.rangeEnd = quoter::TimeSeq::TIME_LASTED;
    se::RPCFormulaMetaResult meta;
    se::RPCFormulaResult result;
    QString error;
    EXPECT_TRUE(TC::CFormulaEngine::compute(p, d, meta, result, &error)) << error.toStdString();
    TC::RPCFormulaResultCache cache(meta, result);

    stest::CChart chart{"SH600000"};
    boost::shared_ptr<CFormulaSeries> series(new CFormulaSeries(chart.ui, 0));
    chart.ui->m_tradeDateList.clear();
    for (int i = 0; i < cache.barCount(); ++i)
        chart.ui->m_tradeDateList << cache.barTimeMs(i) / 1000;
    const int last = cache.barCount() - 1;
    chart.ui->setMinDispIndex(last - 39);
    chart.ui->setMaxDispIndex(last);
    chart.ui->actualEnd = last;
    chart.ui->plotWidth = 400;
    chart.ui->axisWidth = 60;
    const TC::CFormulaKey key("SH600000", "STYLETEST");
    series->put(key, cache);

    const QColor bg = KW::CUiResource::instance()->getColor(QStringLiteral("ic_clr_graph_kline_bg"));
    QImage img(460, 200, QImage::Format_ARGB32);
    img.fill(bg);
    const QRect rect(0, 0, 460, 200);
    series->calcDrawRange(rect);
    series->calcYAxis(rect);
    {
        QPainter painter(&img);
        series->drawIndex(painter, QRect(0, 2, 400, 195), last - 39, last, key, cache);
    }
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < 400; ++x)
            if (img.pixelColor(x, y) != bg)
                colours.insert(img.pixel(x, y));
    return colours;
}

} // namespace

TEST(FormulaStyleDraw, BandsFillsPartLinesAndSegmentsDraw)
{
    const QRgb red = qRgb(255, 0, 0);
    const QRgb green = qRgb(0, 255, 0);
    const QRgb blue = qRgb(0, 0, 255);
    // the band has both colours on a real chart: closes cross their average
    const QSet<QRgb> band = drawnColours(QStringLiteral("DRAWBAND(C,COLORRED,MA(C,5),COLORGREEN);"));
    EXPECT_TRUE(band.contains(red));
    EXPECT_TRUE(band.contains(green));
    EXPECT_TRUE(drawnColours(QStringLiteral("FILLRGN(H,L,1,COLORBLUE);")).contains(blue));
    const QSet<QRgb> part = drawnColours(QStringLiteral("PARTLINE(C,C>=O,COLORRED,C<O,COLORGREEN);"));
    EXPECT_TRUE(part.contains(red));
    EXPECT_TRUE(part.contains(green));
    EXPECT_TRUE(drawnColours(QStringLiteral("DRAWLINE(BARPOS=CONST(BARPOS)-30,L,ISLASTBAR,H,0),COLORBLUE;"))
                    .contains(blue));
    EXPECT_TRUE(drawnColours(QStringLiteral("POLYLINE(MOD(BARPOS,7)=0,C),COLORRED;")).contains(red));
    // nothing where the condition never holds
    EXPECT_TRUE(drawnColours(QStringLiteral("FILLRGN(H,L,0,COLORBLUE);")).isEmpty());
}
