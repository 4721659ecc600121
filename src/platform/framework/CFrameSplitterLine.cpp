#include "platform/framework/CFrameSplitterLine.h"

#include <QPainter>

#include "platform/framework/CUiResource.h"

namespace KW {

CFrameSplitterLine::CFrameSplitterLine(const QString& colorKey, QWidget* parent)
    : CBaseWidget(QStringLiteral("frame_splitter_line"), false, parent), m_colorKey(colorKey)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(1);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_color = CUiResource::instance()->getColor(m_colorKey);
}

void CFrameSplitterLine::setColorKey(const QString& key)
{
    m_colorKey = key;
    m_color = CUiResource::instance()->getColor(m_colorKey);
    update();
}

void CFrameSplitterLine::themeChanged()
{
    CBaseWidget::themeChanged();
    m_color = CUiResource::instance()->getColor(m_colorKey);
    update();
}

void CFrameSplitterLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
}

} // namespace KW
