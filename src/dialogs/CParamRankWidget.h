#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QVector>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/framework/CBaseWidget.h"

class QEvent;
class QMouseEvent;
class QPaintEvent;

namespace TC {

// The small frameless popup that follows the mouse over a pane and lists the
// indicator lines under it with their values. The pane fills it (title, rows),
// calls relayout(), then moves and shows or hides it.
//
// It must never get in the way of the chart: it takes no focus, shows
// without activating, and hides itself as soon as the mouse enters it.
//
// Layout: title at (10, 10) in the title font; rows below it (or at (10, 10)
// without a title), each row "name  value  arrow". Names are left-aligned in
// a column as wide as the widest name; values are right-aligned in a column
// as wide as the widest value so their digits line up; the arrow column is
// only reserved when some row has a trend. Rows are 12 px apart; the popup
// keeps a 10 px margin on every side. The name is drawn in the row's colour
// (the colour of the line it stands for, so the user can match it with the
// chart) and the value in the popup's text colour; a row without a valid
// colour uses the text colour for both.
//
// Setting the title or rows does not resize: relayout() does, once, after
// the pane has filled it.
class INDEXKLINEVIEW_EXPORT CParamRankWidget : public KW::CBaseWidget
{
    Q_OBJECT

public:
    explicit CParamRankWidget(QWidget* parentPane);

    void setTitle(const QString& title);
    QString title() const { return m_title; }

    void clearRows();
    // trend: 1 up, 2 down, any other value none.
    void addRow(const QString& name, const QString& value, const QColor& colour, int trend);
    int rowCount() const { return m_rows.size(); }

    // Reloads fonts, colours and arrows from the resource store.
    void refresh();
    // Recomputes column widths, row height and the popup size from the fonts.
    void relayout();

    void themeChanged() override;

    // Layout values of the last relayout().
    QPoint titlePoint() const { return m_titlePoint; }
    QPoint rowsOrigin() const { return m_rowsOrigin; }
    int nameWidth() const { return m_nameWidth; }
    int valueWidth() const { return m_valueWidth; }
    int rowHeight() const { return m_rowHeight; }

    static constexpr int kMargin = 10;   // around the content, also the title point
    static constexpr int kColumnGap = 5; // between name, value and arrow
    static constexpr int kRowGap = 12;   // between consecutive rows and below the title

protected:
    void enterEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct SRow
    {
        QString name;
        QString value;
        QColor colour;
        int trend = 0;
    };

    const QPixmap* arrowFor(int trend) const;

    QString m_title;
    QVector<SRow> m_rows;

    QPoint m_titlePoint{kMargin, kMargin};
    QPoint m_rowsOrigin{kMargin, kMargin};
    int m_nameWidth = 0;
    int m_valueWidth = 0;
    int m_rowHeight = 0;

    QPixmap m_arrowUp;
    QPixmap m_arrowDown;
    QFont m_titleFont;
    QFont m_textFont;
    QColor m_backgroundColour;
    QColor m_borderColour;
    QColor m_titleColour;
    QColor m_textColour;
};

} // namespace TC
