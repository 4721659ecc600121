#include "platform/framework/CHighlightWidget.h"

#include <algorithm>

#include <QPainter>

#include "platform/framework/CUiResource.h"

namespace KW {

CHighlightWidget::CHighlightWidget(QWidget* parent)
    : CBaseWidget(QStringLiteral("highlight_widget"), false, parent),
      m_colorKey(QStringLiteral("ic_clr_graph_yellow"))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    m_color = CUiResource::instance()->getColor(m_colorKey);
}

void CHighlightWidget::setLRMargin(int left, int right)
{
    m_leftMargin = std::max(0, left);
    m_rightMargin = std::max(0, right);
    update();
}

void CHighlightWidget::setColorKey(const QString& key)
{
    if (key.isEmpty())
        return;
    m_colorKey = key;
    m_color = CUiResource::instance()->getColor(m_colorKey);
    update();
}

void CHighlightWidget::setFrameWidth(int width)
{
    m_frameWidth = std::max(1, width);
    update();
}

QRect CHighlightWidget::frameRect() const
{
    const QRect r(m_leftMargin, 0, width() - m_leftMargin - m_rightMargin, height());
    return r.width() > 0 && r.height() > 0 ? r : QRect();
}

void CHighlightWidget::themeChanged()
{
    CBaseWidget::themeChanged();
    m_color = CUiResource::instance()->getColor(m_colorKey);
    update();
}

void CHighlightWidget::paintEvent(QPaintEvent*)
{
    const QRect r = frameRect();
    if (r.isEmpty())
        return;
    // Four filled strips: exact pixels whatever the pen and transform rules.
    const int w = std::min({m_frameWidth, (r.width() + 1) / 2, (r.height() + 1) / 2});
    QPainter painter(this);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), w), m_color);
    painter.fillRect(QRect(r.left(), r.bottom() - w + 1, r.width(), w), m_color);
    painter.fillRect(QRect(r.left(), r.top(), w, r.height()), m_color);
    painter.fillRect(QRect(r.right() - w + 1, r.top(), w, r.height()), m_color);
}

} // namespace KW
