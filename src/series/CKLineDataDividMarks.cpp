// Ex-rights marks of the main pane: an "S" under each visible ex-date's bar
// and the record texts shown when the mouse is over it.
#include <algorithm>
#include <cmath>
#include <exception>

#include <QDateTime>
#include <QPainter>

#include "model/CKLineUiParam.h"
#include "platform/config/QLLog.h"
#include "platform/framework/CUiResource.h"
#include "platform/framework/KWFormat.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

const int kMarkWidth = 5;
const int kMarkHeight = 8;

QString number(double v)
{
    return KW::formatDoubleNumber(v, 2, 0, false, QStringLiteral("非法值"));
}

bool nonZero(double v)
{
    return std::fabs(v) > 0.00001;
}

// The tip lines of one record, in the terminal's order.
void appendLines(const quoter::DividData& d, QStringList& lines)
{
    if (d.shareReform != 0)
        lines << QStringLiteral("股改对价");
    lines << QStringLiteral("除权,除息: ") +
                 QDateTime::fromMSecsSinceEpoch(d.time).toString(QStringLiteral("yyyy/MM/dd"));
    if (nonZero(d.cashDividend))
        lines << QStringLiteral("每10股派现金") + number(d.cashDividend * 10);
    if (nonZero(d.rightsShares))
        lines << QStringLiteral("每10股配股比例") + number(d.rightsShares * 10) + QStringLiteral("股");
    if (nonZero(d.bonusShares) || nonZero(d.transferShares))
        lines << QStringLiteral("每10股送转比例") + number(d.transferShares * 10 + d.bonusShares * 10) +
                     QStringLiteral("股");
    if (nonZero(d.rightsPrice))
        lines << QStringLiteral("每股配股价") + number(d.rightsPrice);
}

} // namespace

void CKLineData::setDividData(const QString& key, std::vector<std::shared_ptr<quoter::DividData>> records)
{
    m_dividData.clear();
    for (auto& r : records)
        if (r)
            m_dividData.push_back(std::move(r));
    std::stable_sort(m_dividData.begin(), m_dividData.end(),
                     [](const auto& a, const auto& b) { return a->time < b->time; });
    m_dividKey = key;
}

void CKLineData::calcDividData(const QRect& rect)
{
    m_dividTable.clear();
    if (!m_pUiParam)
        return;
    const CKLineUiParam& ui = *m_pUiParam;
    const int first = ui.getMinDispIndex();
    const int last = ui.getMaxDispIndex();
    // Records of an instrument the chart no longer shows mark nothing.
    if (first < 0 || last < 0 || m_dividKey.isEmpty() || first > last || m_dividData.empty() ||
        m_dividKey != ui.getCurrKey())
        return;
    try {
        const QRect plot(0, 0, ui.plotWidth, rect.height());
        const double spacing = double(plot.width()) / double(ui.getEndStartSub(last, first) + 1);
        const int hw = std::max(0, int(spacing * 0.35));
        const int t1 = ui.getTimeTagByIndex(first);
        const int t2 = ui.getTimeTagByIndex(last);
        if (t1 == -1 || t2 == -1)
            return;
        // Only the visible records are visited.
        auto it = std::lower_bound(m_dividData.cbegin(), m_dividData.cend(), qint64(t1) * 1000,
                                   [](const auto& d, qint64 t) { return d->time < t; });
        for (; it != m_dividData.cend() && (*it)->time / 1000 <= t2; ++it) {
            const quoter::DividData& d = **it;
            const int t = int(d.time / 1000);
            const int bar = ui.getIndexByTimeTag(t);
            if (bar < 1)
                continue;
            // Up to day bars the mark needs a bar of the record's own day: a
            // date the instrument did not trade is no ex-date on the chart.
            if (ui.period <= 86400 && QDateTime::fromSecsSinceEpoch(ui.getTimeTagByIndex(bar)).date() !=
                                          QDateTime::fromSecsSinceEpoch(t).date())
                continue;
            const int x = int(plot.left() + hw / 2 + (bar - first) * spacing);
            appendLines(d, m_dividTable[x]);
        }
    } catch (const std::exception&) {
        QLLOG_INFO(qlog::kStdLogger, "CKLineData::calcDividData failure! %s:%d", __FILE__, __LINE__);
    } catch (...) {
        QLLOG_INFO(qlog::kStdLogger, "CKLineData::calcDividData failure! %s:%d", __FILE__, __LINE__);
    }
}

void CKLineData::drawDividMark(QPainter& painter, const QRect& rect)
{
    if (m_paneRole != 0 || m_dividTable.isEmpty())
        return;
    painter.save();
    painter.setPen(KW::CUiResource::instance()->getColor(QStringLiteral("clr_global_rise")));
    const QString mark = QStringLiteral("S");
    const int baseline = rect.height() - 1;
    for (auto it = m_dividTable.constBegin(); it != m_dividTable.constEnd(); ++it)
        painter.drawText(QPoint(it.key(), baseline), mark);
    painter.restore();
}

bool CKLineData::getDividTip(const QPoint& p, const QRect& rect, QStringList& lines) const
{
    for (auto it = m_dividTable.constBegin(); it != m_dividTable.constEnd(); ++it) {
        if (QRect(it.key(), rect.height() - kMarkHeight, kMarkWidth, kMarkHeight).contains(p)) {
            lines = it.value();
            return true;
        }
    }
    return false;
}

} // namespace TC
