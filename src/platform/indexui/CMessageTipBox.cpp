#include "platform/indexui/CMessageTipBox.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>

#include "platform/framework/CUiResource.h"

namespace TC {

namespace {
const char* const kFont = "fnt_default_normal";
}

CMessageTipBox::CMessageTipBox(int padding, QWidget* parent)
    : KW::CBaseWidget(QStringLiteral("message_tip_box"), false, parent), m_padding(std::max(0, padding))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

int CMessageTipBox::textWidth(const QStringList& lines) const
{
    const QFontMetrics fm(KW::CUiResource::instance()->getFont(QLatin1String(kFont)));
    int w = 1;
    for (const QString& l : lines)
        w = std::max(w, fm.horizontalAdvance(l));
    return w;
}

void CMessageTipBox::setTip(const QStringList& lines)
{
    m_lines = lines;
    relayout();
    update();
}

void CMessageTipBox::relayout()
{
    const QFontMetrics fm(KW::CUiResource::instance()->getFont(QLatin1String(kFont)));
    resize(textWidth(m_lines) + 2 * m_padding, std::max(1, int(m_lines.size())) * fm.height() + 2 * m_padding);
}

void CMessageTipBox::themeChanged()
{
    KW::CBaseWidget::themeChanged();
    relayout();
    update();
}

void CMessageTipBox::paintEvent(QPaintEvent*)
{
    KW::CUiResource* res = KW::CUiResource::instance();
    QPainter p(this);
    p.fillRect(rect(), res->getColor(QStringLiteral("ic_clr_realtime_cross_line_bg")));
    p.setPen(res->getColor(QStringLiteral("ic_clr_graph_frame_cross_line")));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setFont(res->getFont(QLatin1String(kFont)));
    p.setPen(res->getColor(QStringLiteral("ic_clr_realtime_cross_line_text")));
    const int h = QFontMetrics(p.font()).height();
    for (int i = 0; i < m_lines.size(); ++i)
        p.drawText(QRect(m_padding, m_padding + i * h, width() - 2 * m_padding, h), Qt::AlignLeft | Qt::AlignVCenter,
                   m_lines.at(i));
}

} // namespace TC
