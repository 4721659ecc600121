#include "dialogs/CParamRankWidget.h"

#include <algorithm>

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include "platform/framework/CUiResource.h"

namespace TC {

namespace {

QSize logicalSize(const QPixmap& pixmap)
{
    const qreal ratio = pixmap.devicePixelRatioF() > 0 ? pixmap.devicePixelRatioF() : 1.0;
    return (QSizeF(pixmap.size()) / ratio).toSize();
}

} // namespace

CParamRankWidget::CParamRankWidget(QWidget* parentPane)
    : KW::CBaseWidget(QStringLiteral("CParamRankWidget"), false, parentPane)
{
    // A tool window follows its pane's top-level window and stays out of the
    // task bar; it must never take the focus from the chart.
    // Transparent for input: showing it next to the pointer must not take the
    // pointer from the pane (a leave would cancel a selection in progress).
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                   Qt::WindowTransparentForInput);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    // Needed so that a plain move (no button) over it reaches mouseMoveEvent.
    setMouseTracking(true);
    refresh();
    relayout();
}

void CParamRankWidget::setTitle(const QString& title)
{
    m_title = title;
}

void CParamRankWidget::clearRows()
{
    m_rows.clear();
}

void CParamRankWidget::addRow(const QString& name, const QString& value, const QColor& colour, int trend)
{
    m_rows.push_back(SRow{name, value, colour, (trend == 1 || trend == 2) ? trend : 0});
}

void CParamRankWidget::refresh()
{
    const KW::CUiResource* res = KW::CUiResource::instance();
    m_titleFont = res->getFont(QStringLiteral("ic_fnt_param_rank_title"));
    m_textFont = res->getFont(QStringLiteral("ic_fnt_param_rank_text"));
    m_backgroundColour = res->getColor(QStringLiteral("ic_clr_param_rank_background"));
    m_borderColour = res->getColor(QStringLiteral("ic_clr_param_rank_border"));
    m_titleColour = res->getColor(QStringLiteral("ic_clr_param_rank_title"));
    m_textColour = res->getColor(QStringLiteral("ic_clr_param_rank_text"));
    m_arrowUp = res->getPixmap(QStringLiteral("ic_img_arrow_up"));
    m_arrowDown = res->getPixmap(QStringLiteral("ic_img_arrow_down"));
}

void CParamRankWidget::relayout()
{
    const QFontMetrics titleMetrics(m_titleFont);
    const QFontMetrics textMetrics(m_textFont);

    int contentWidth = 0;
    int bottom = kMargin; // bottom of the content so far

    m_titlePoint = QPoint(kMargin, kMargin);
    if (!m_title.isEmpty()) {
        contentWidth = titleMetrics.horizontalAdvance(m_title);
        bottom = m_titlePoint.y() + titleMetrics.height();
    }

    m_nameWidth = 0;
    m_valueWidth = 0;
    int arrowWidth = 0;
    int arrowHeight = 0;
    for (const SRow& row : m_rows) {
        m_nameWidth = std::max(m_nameWidth, textMetrics.horizontalAdvance(row.name));
        m_valueWidth = std::max(m_valueWidth, textMetrics.horizontalAdvance(row.value));
        if (const QPixmap* arrow = arrowFor(row.trend)) {
            const QSize s = logicalSize(*arrow);
            arrowWidth = std::max(arrowWidth, s.width());
            arrowHeight = std::max(arrowHeight, s.height());
        }
    }
    m_rowHeight = std::max(textMetrics.height(), arrowHeight);
    m_rowsOrigin = QPoint(kMargin, m_title.isEmpty() ? kMargin : bottom + kRowGap);

    if (!m_rows.isEmpty()) {
        int rowsWidth = m_nameWidth + kColumnGap + m_valueWidth;
        if (arrowWidth > 0)
            rowsWidth += kColumnGap + arrowWidth;
        contentWidth = std::max(contentWidth, rowsWidth);
        const int n = m_rows.size();
        bottom = m_rowsOrigin.y() + n * m_rowHeight + (n - 1) * kRowGap;
    }

    resize(kMargin + contentWidth + kMargin, bottom + kMargin);
}

void CParamRankWidget::themeChanged()
{
    KW::CBaseWidget::themeChanged();
    refresh();
    relayout();
    update();
}

const QPixmap* CParamRankWidget::arrowFor(int trend) const
{
    const QPixmap* arrow = trend == 1 ? &m_arrowUp : trend == 2 ? &m_arrowDown : nullptr;
    return (arrow && !arrow->isNull()) ? arrow : nullptr;
}

void CParamRankWidget::enterEvent(QEvent* event)
{
    // The popup sits next to the cursor; if the cursor catches up with it,
    // get out of the way so the pane keeps receiving the mouse.
    hide();
    KW::CBaseWidget::enterEvent(event);
}

void CParamRankWidget::mouseMoveEvent(QMouseEvent* event)
{
    hide();
    KW::CBaseWidget::mouseMoveEvent(event);
}

void CParamRankWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_backgroundColour);
    painter.setPen(m_borderColour);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);

    if (!m_title.isEmpty()) {
        painter.setFont(m_titleFont);
        painter.setPen(m_titleColour);
        const QRect titleRect(m_titlePoint, QPoint(width() - kMargin, height() - kMargin));
        painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_title);
    }

    if (m_rows.isEmpty())
        return;

    painter.setFont(m_textFont);
    const int nameX = m_rowsOrigin.x();
    const int valueX = nameX + m_nameWidth + kColumnGap;
    const int arrowX = valueX + m_valueWidth + kColumnGap;
    int top = m_rowsOrigin.y();
    for (const SRow& row : m_rows) {
        painter.setPen(row.colour.isValid() ? row.colour : m_textColour);
        painter.drawText(QRect(nameX, top, m_nameWidth, m_rowHeight),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, row.name);
        painter.setPen(m_textColour);
        painter.drawText(QRect(valueX, top, m_valueWidth, m_rowHeight),
                         Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, row.value);
        if (const QPixmap* arrow = arrowFor(row.trend)) {
            const QSize s = logicalSize(*arrow);
            painter.drawPixmap(arrowX, top + (m_rowHeight - s.height()) / 2, *arrow);
        }
        top += m_rowHeight + kRowGap;
    }
}

} // namespace TC
