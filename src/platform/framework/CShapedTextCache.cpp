#include "platform/framework/CShapedTextCache.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>

namespace KW {

CShapedTextCache::CShapedTextCache(int capacity) : m_capacity(capacity > 0 ? capacity : 1) {}

const CShapedTextCache::Entry& CShapedTextCache::get(const QFont& font, const QString& text)
{
    if (font != m_font || m_lineHeight <= 0) {
        m_font = font;
        const QFontMetricsF fm(font);
        m_lineHeight = fm.ascent() + fm.descent();
        m_entries.clear();
    }
    auto it = m_entries.constFind(text);
    if (it != m_entries.constEnd())
        return it.value();
    if (m_entries.size() >= m_capacity)
        m_entries.clear();
    Entry e;
    e.width = QFontMetrics(font).horizontalAdvance(text);
    e.advance = QFontMetricsF(font).horizontalAdvance(text);
    e.text.setText(text);
    e.text.setTextFormat(Qt::PlainText);
    e.text.prepare(QTransform(), font);
    return m_entries.insert(text, e).value();
}

void CShapedTextCache::clear()
{
    m_entries.clear();
}

qreal CShapedTextCache::lineTop(const QRect& box) const
{
    // Where drawText centres one line vertically.
    return box.y() + (box.height() - m_lineHeight) / 2;
}

void CShapedTextCache::drawLeft(QPainter& painter, const QFont& font, const QRect& box, const QString& text)
{
    const Entry& e = get(font, text);
    drawClipped(painter, QPointF(box.x(), lineTop(box)), box, e);
}

void CShapedTextCache::drawTopLeft(QPainter& painter, const QFont& font, const QRect& box, const QString& text)
{
    const Entry& e = get(font, text);
    drawClipped(painter, QPointF(box.x(), box.y()), box, e);
}

void CShapedTextCache::drawCentred(QPainter& painter, const QFont& font, const QRect& box, const QString& text)
{
    const Entry& e = get(font, text);
    drawClipped(painter, QPointF(box.x() + (box.width() - e.advance) / 2, lineTop(box)), box, e);
}

void CShapedTextCache::drawClipped(QPainter& painter, const QPointF& at, const QRect& box, const Entry& e) const
{
    // drawText cuts the text at its box; a clip costs more than the glyphs,
    // so it is set only when the text does not fit.
    if (e.advance <= box.width() && m_lineHeight <= box.height()) {
        painter.drawStaticText(at, e.text);
        return;
    }
    painter.save();
    painter.setClipRect(box, Qt::IntersectClip);
    painter.drawStaticText(at, e.text);
    painter.restore();
}

} // namespace KW
