#pragma once

#include <QFont>
#include <QHash>
#include <QRect>
#include <QStaticText>
#include <QString>

class QPainter;

namespace KW {

// Texts shaped once and drawn from their cached glyphs. A crosshair move
// redraws the same few kinds of text (values, dates) over and over; shaping
// them through QPainter::drawText each time costs more than the drawing.
// The pixels are the ones drawText(rect, flags, text) gives for the single
// line alignments below. Bounded: past the capacity the cache starts over.
// GUI thread only.
class CShapedTextCache
{
public:
    struct Entry {
        int width = 0;    // QFontMetrics::horizontalAdvance, for layout
        qreal advance = 0; // exact advance, for centring
        QStaticText text;
    };

    explicit CShapedTextCache(int capacity = 4096);

    // The entry of text in font; a new font empties the cache.
    const Entry& get(const QFont& font, const QString& text);
    void clear();
    int size() const { return m_entries.size(); }

    // drawText(box, Qt::AlignLeft | Qt::AlignVCenter, text),
    // drawText(box, Qt::AlignLeft | Qt::AlignTop, text) and
    // drawText(box, Qt::AlignCenter, text), cut at the box like drawText.
    // The painter's pen and font are the caller's (font set already).
    void drawLeft(QPainter& painter, const QFont& font, const QRect& box, const QString& text);
    void drawTopLeft(QPainter& painter, const QFont& font, const QRect& box, const QString& text);
    void drawCentred(QPainter& painter, const QFont& font, const QRect& box, const QString& text);

private:
    qreal lineTop(const QRect& box) const;
    void drawClipped(QPainter& painter, const QPointF& at, const QRect& box, const Entry& e) const;

    int m_capacity;
    QFont m_font;
    qreal m_lineHeight = 0; // ascent + descent of m_font
    QHash<QString, Entry> m_entries;
};

} // namespace KW
