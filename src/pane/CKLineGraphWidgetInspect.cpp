// The inspection views of a pane: group holdings and formula variables at
// the cursor's bar, composed over the cached picture.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>

#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/CUiResource.h"
#include "platform/framework/KWFormat.h"
#include "platform/indexui/GraphShowTick.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

const int kBoxMargin = 4;
const int kBoxPadding = 6;
const int kCellGap = 12;
const char* const kNoValue = "--";

QColor colour(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

QString moneyText(double v)
{
    return KW::formatDoubleNumber(v, 2, KW::kFormatUnits, false, QString::fromUtf8(kNoValue));
}

int toneOf(double v)
{
    if (v == DBL_MAX || std::fabs(v) < 0.005)
        return 0;
    return v > 0 ? 1 : -1;
}

} // namespace

void CKLineGraphWidget::showPositionView(bool on)
{
    m_inspection = on ? PositionInspection : (isPositionViewShown() ? NoInspection : m_inspection);
    if (m_inspection == NoInspection)
        m_inspectionBox = QRect();
    update();
}

void CKLineGraphWidget::showVariableView(bool on)
{
    m_inspection = on ? VariableInspection : (isVariableViewShown() ? NoInspection : m_inspection);
    if (m_inspection == NoInspection)
        m_inspectionBox = QRect();
    update();
}

bool CKLineGraphWidget::hideInspectionView()
{
    if (m_inspection == NoInspection)
        return false;
    m_inspection = NoInspection;
    m_inspectionBox = QRect();
    update();
    return true;
}

void CKLineGraphWidget::updateInspectionView()
{
    if (m_inspection != NoInspection)
        update();
}

void CKLineGraphWidget::closeInspectionIfNoFormulas()
{
    if (indexNames().isEmpty())
        hideInspectionView();
}

void CKLineGraphWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && hideInspectionView()) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Delete && (currGraph() >= 0 || drawGraphType() != 0)) {
        deleteCurrGraph();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && drawGraphType() != 0) {
        cancelDrawGraph();
        update();
        event->accept();
        return;
    }
    KW::CBaseWidget::keyPressEvent(event);
}

int CKLineGraphWidget::inspectionIndex() const
{
    if (!m_pUiParam)
        return -1;
    const CKLineUiParam& ui = *m_pUiParam;
    const int last = ui.getLastIndex();
    int bar = -1;
    if (ui.lockCursor && ui.lockedIndex >= 0)
        bar = ui.lockedIndex;
    else if (ui.crossVisible && ui.crossIndex >= 0)
        bar = ui.crossIndex;
    return bar >= 0 && bar <= last ? bar : last;
}

QRect CKLineGraphWidget::inspectionPlotRect() const
{
    // The series' plot: left of the axis, the 2-pixel top and 1-pixel bottom
    // margins the drawing passes use.
    const int w = m_pUiParam ? std::min(m_pUiParam->plotWidth, width()) : width();
    return QRect(0, 2, std::max(w, 0), std::max(height() - 3, 0));
}

QString CKLineGraphWidget::barTimeText(int bar) const
{
    if (!m_pUiParam || bar < 0 || bar >= m_pUiParam->m_tradeDateList.size())
        return QString();
    const QDateTime dt = m_pUiParam->getDateTimeByIndex(bar);
    const qint64 period = m_pUiParam->period;
    if (period == 0)
        return dt.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    if ((period >= 60 && period <= 3600) || period == 11 || period == 13)
        return dt.toString(QStringLiteral("yyyy/MM/dd hh:mm"));
    static const QLocale chinese(QLocale::Chinese, QLocale::China);
    return dt.toString(QStringLiteral("yyyy/MM/dd")) +
           chinese.dayName(dt.date().dayOfWeek(), QLocale::ShortFormat);
}

QVector<CKLineGraphWidget::InspectionRow> CKLineGraphWidget::inspectionRows() const
{
    const int bar = inspectionIndex();
    if (m_inspection == PositionInspection)
        return positionRows(bar);
    if (m_inspection == VariableInspection)
        return variableRows(bar);
    return {};
}

QVector<CKLineGraphWidget::InspectionRow> CKLineGraphWidget::positionRows(int bar) const
{
    QVector<InspectionRow> rows;
    rows.append({{QStringLiteral("持仓 %1").arg(barTimeText(bar)).trimmed(), 2}});
    const QString key = m_pData ? m_pData->firstGroupResultKey() : QString();
    if (key.isEmpty()) {
        rows.append({{QStringLiteral("无持仓数据"), 0}});
        return rows;
    }
    rows.append({{QStringLiteral("代码"), 2},
                 {QStringLiteral("持仓"), 2},
                 {QStringLiteral("成本"), 2},
                 {QStringLiteral("浮动盈亏"), 2},
                 {QStringLiteral("已实现盈亏"), 2},
                 {QStringLiteral("最近成交"), 2}});
    const int digits = priceDigits();
    const QVector<CKLineData::GroupHolding> holdings = m_pData->getGroupHoldings(key, bar);
    for (const CKLineData::GroupHolding& h : holdings) {
        const bool flat = h.volume == 0.0;
        const bool whole = std::fabs(h.volume - std::round(h.volume)) < 1e-9;
        const bool buy = h.lastSide > 0;
        const QString last =
            QStringLiteral("%1 %2×%3")
                .arg(buy ? QStringLiteral("买") : QStringLiteral("卖"),
                     KW::formatDoubleNumber(h.lastPrice, getGraphShowTick(h.lastPrice, digits)),
                     KW::formatDoubleNumber(h.lastVolume,
                                            std::fabs(h.lastVolume - std::round(h.lastVolume)) < 1e-9 ? 0 : 2,
                                            KW::kFormatUnits));
        rows.append({{h.code, 0},
                     {KW::formatDoubleNumber(h.volume, whole ? 0 : 2, KW::kFormatUnits), 0},
                     {flat ? QString::fromUtf8(kNoValue)
                           : KW::formatDoubleNumber(h.avgCost, getGraphShowTick(h.avgCost, digits)),
                      0},
                     {moneyText(h.floating), toneOf(h.floating)},
                     {moneyText(h.realized), toneOf(h.realized)},
                     {last, buy ? 1 : -1}});
    }
    if (holdings.isEmpty())
        rows.append({{QStringLiteral("暂无成交"), 0}});
    return rows;
}

QVector<CKLineGraphWidget::InspectionRow> CKLineGraphWidget::variableRows(int bar) const
{
    const qint64 timeMs = timeAtIndex(bar);
    const QStringList formulas = indexNames();
    const QString stock = m_pUiParam ? m_pUiParam->getCurrKey() : QString();
    // The pane's request of each formula for the chart instrument (else any).
    QVector<QString> ids;
    const IndexBaseDataReq& req = m_pData->getReq();
    for (const QString& f : formulas) {
        QString id;
        for (int i = 0; i < req.count(); ++i) {
            if (req[i].key.formula != f)
                continue;
            if (id.isEmpty() || req[i].key.stock == stock)
                id = req[i].reqId;
            if (req[i].key.stock == stock)
                break;
        }
        ids.append(id);
    }
    VariableCache& c = m_varCache;
    if (c.bar == bar && c.timeMs == timeMs && c.refresh == m_refreshCount && c.ids == ids)
        return c.rows;

    const QString time = barTimeText(bar);
    const int digits = priceDigits();
    QVector<InspectionRow> rows;
    for (int k = 0; k < formulas.size(); ++k) {
        if (ids[k].isEmpty() || timeMs < 0)
            continue;
        const QVector<QPair<QString, double>> vars = CFormulaManager::instance()->lookHideVar(ids[k], timeMs);
        if (vars.isEmpty())
            continue;
        rows.append({{QStringLiteral("变量 %1 %2").arg(formulas[k], time).trimmed(), 2}});
        for (const auto& v : vars) {
            const QString value =
                KW::formatDoubleNumber(v.second, getGraphShowTick(v.second, digits), KW::kFormatUnits, false,
                                       QString::fromUtf8(kNoValue));
            rows.append({{QStringLiteral("%1 = %2").arg(v.first, value), 0}});
        }
    }
    if (rows.isEmpty()) {
        const QString name = formulas.isEmpty() ? QString() : formulas.first();
        rows.append({{QStringLiteral("变量 %1 %2").arg(name, time).simplified(), 2}});
        rows.append({{QStringLiteral("无变量"), 0}});
    }
    c.bar = bar;
    c.timeMs = timeMs;
    c.refresh = m_refreshCount;
    c.ids = ids;
    c.rows = rows;
    return rows;
}

QRect CKLineGraphWidget::inspectionRoom() const
{
    return inspectionPlotRect().adjusted(kBoxMargin, kBoxMargin, -kBoxMargin, -kBoxMargin);
}

QVector<CKLineGraphWidget::InspectionRow> CKLineGraphWidget::fittedInspectionRows() const
{
    const QRect room = inspectionRoom();
    if (!m_pData || m_inspection == NoInspection || room.width() <= 2 * kBoxPadding ||
        room.height() <= 2 * kBoxPadding)
        return {};
    QVector<InspectionRow> rows = inspectionRows();
    const QFontMetrics fm(KW::CUiResource::instance()->getFont(QStringLiteral("ic_fnt_inspection_text")));
    // Rows beyond the room give way to an ellipsis line.
    const int fit = std::max((room.height() - 2 * kBoxPadding) / (fm.height() + 4), 1);
    if (rows.size() > fit) {
        rows.resize(fit);
        rows.last() = {{QStringLiteral("…"), 0}};
    }
    return rows;
}

QStringList CKLineGraphWidget::inspectionLines() const
{
    QStringList lines;
    for (const InspectionRow& row : fittedInspectionRows()) {
        QStringList cells;
        for (const InspectionCell& c : row)
            cells << c.text;
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines;
}

void CKLineGraphWidget::drawInspectionView(QPainter& painter)
{
    m_inspectionBox = QRect();
    // The container may have emptied the series without going through the pane.
    if (m_inspection != NoInspection && indexNames().isEmpty())
        m_inspection = NoInspection;
    if (m_inspection == NoInspection)
        return;
    const QRect room = inspectionRoom();
    const QVector<InspectionRow> rows = fittedInspectionRows();
    if (rows.isEmpty())
        return;
    const QFont font = KW::CUiResource::instance()->getFont(QStringLiteral("ic_fnt_inspection_text"));
    const QFontMetrics fm(font);
    const int lineHeight = fm.height() + 4;

    // Table rows share column widths; single-cell rows span the box.
    QVector<int> columns;
    int spanWidth = 0;
    for (const InspectionRow& row : rows) {
        if (row.size() == 1) {
            spanWidth = std::max(spanWidth, fm.horizontalAdvance(row.first().text));
            continue;
        }
        if (columns.size() < row.size())
            columns.resize(row.size());
        for (int i = 0; i < row.size(); ++i)
            columns[i] = std::max(columns[i], fm.horizontalAdvance(row[i].text));
    }
    int tableWidth = 0;
    for (int w : columns)
        tableWidth += w + kCellGap;
    tableWidth = std::max(tableWidth - kCellGap, 0);
    const int contentWidth = std::max(spanWidth, tableWidth);
    const QRect box(room.left(), room.top(), std::min(contentWidth + 2 * kBoxPadding, room.width()),
                    std::min(rows.size() * lineHeight + 2 * kBoxPadding, room.height()));

    painter.save();
    painter.setClipRect(box);
    painter.fillRect(box, colour("ic_clr_inspection_bg"));
    painter.setPen(QPen(colour("ic_clr_inspection_border"), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setFont(font);
    const QColor tones[] = {colour("clr_global_fall"), colour("ic_clr_inspection_text"),
                            colour("clr_global_rise"), colour("ic_clr_inspection_title")};
    int y = box.top() + kBoxPadding;
    for (const InspectionRow& row : rows) {
        int x = box.left() + kBoxPadding;
        for (int i = 0; i < row.size(); ++i) {
            const InspectionCell& cell = row[i];
            painter.setPen(tones[std::min(std::max(cell.tone, -1), 2) + 1]);
            const int w = row.size() == 1 ? contentWidth : columns[i];
            // Numbers right-aligned under their heading, texts left.
            const Qt::Alignment align =
                (row.size() > 1 && i > 0 && i < row.size() - 1 ? Qt::AlignRight : Qt::AlignLeft) |
                Qt::AlignVCenter;
            painter.drawText(QRect(x, y, w, lineHeight), int(align), cell.text);
            x += w + kCellGap;
        }
        y += lineHeight;
    }
    painter.restore();
    m_inspectionBox = box;
}

} // namespace TC
