#pragma once

#include <QColor>
#include <QList>
#include <QMargins>
#include <QRect>
#include <QString>
#include <QVector>

#include "platform/framework/CBaseWidget.h"

namespace KW {

// A vertical (or horizontal) stack of widgets separated by splitter bars,
// sized by integer stretch factors.
//
// Layout: the list's length along its orientation, minus the margins and
// one splitter between every two shown items, is shared among the shown
// items in proportion to their factors, in whole pixels (floor); the
// rounding remainder goes to the last shown item. A factor below 1 is taken
// as 1. No shown item is laid out shorter than `minimumItemLength()` while
// the list is long enough for all of them at that length (items whose share
// would be shorter get exactly the minimum, the others share the rest in
// proportion); a list too short for that gives each item at least an equal
// share. Hidden items (explicitly hidden
// widgets) take no space and no splitter.
//
// Per item:
//   stretch   the current factor (`stretch(i)`, `changeStretch`).
//   anchor    which edges of the item the user may drag (CDragWidgetList):
//             1 its leading edge (top / left), 2 its trailing edge
//             (bottom / right), 3 both. A splitter moves only when the
//             item before it allows its trailing edge and the item after it
//             its leading edge.
//   fixed     a fixed item changes length only when the dragged splitter
//             touches it; once the dragged splitter's direct neighbour has
//             reached the minimum length, further dragging takes length
//             from the next non-fixed items beyond it (so enlarging an
//             indicator pane can push the main chart pane smaller, but
//             never another indicator pane).
//
// Remembered factors: every item also keeps an "old" factor. It is set to
// the item's factor when the item is added, by `rememberStretch()`, and for
// every item when dragging goes from enabled to disabled. `resetOldStretch()`
// makes the old factors current again. So a host that disables dragging
// while it rearranges panes can always get back the sizes the user had.
//
// Splitters are painted with the colour of `splitterColorKey()` (default
// "clr_splitter", width "siz_splitter_width" until `setSplitterWidth` is
// called); both are re-read on theme changes. The margins are not painted.
//
// Items stay children of the list; `removeWidget` only takes the widget out
// of the layout (the caller hides or deletes it, as with QLayout). A widget
// destroyed while in the list leaves it on its own.
class CWidgetList : public CBaseWidget
{
    Q_OBJECT

public:
    enum EAnchor { AnchorLeading = 1, AnchorTrailing = 2, AnchorBoth = 3 };

    explicit CWidgetList(Qt::Orientation orientation = Qt::Vertical, QWidget* parent = nullptr);
    ~CWidgetList() override;

    Qt::Orientation orientation() const { return m_orientation; }
    void setOrientation(Qt::Orientation orientation);

    void setMargins(int left, int top, int right, int bottom);
    QMargins margins() const { return m_margins; }

    void setSplitterColorKey(const QString& key);
    QString splitterColorKey() const { return m_splitterColorKey; }
    // Negative widths are taken as 0.
    void setSplitterWidth(int width);
    int splitterWidth() const { return m_splitterWidth; }

    // Smallest length a drag leaves to an item (default 20 px).
    void setMinimumItemLength(int length);
    int minimumItemLength() const { return m_minItemLength; }

    // Null widgets, widgets already in the list and the list itself are
    // refused (false). The widget becomes a child of the list and is shown
    // unless it was explicitly hidden.
    bool addStretchWidget(QWidget* widget, int stretch, int anchor = AnchorBoth, bool fixed = false);
    // An index outside 0..count() appends.
    bool insertStretchWidget(int index, QWidget* widget, int stretch, int anchor = AnchorBoth,
                             bool fixed = false);
    bool removeWidget(QWidget* widget);
    // Moves the item at `from` to position `to` (clamped to the list); false
    // when `from` is no item.
    bool moveWidget(int from, int to);

    int count() const { return m_items.size(); }
    int indexOf(const QWidget* widget) const;
    QWidget* widgetAt(int index) const;

    // Out-of-range indexes give 0 / false.
    int stretch(int index) const;
    int oldStretch(int index) const;
    int anchor(int index) const;
    bool isFixed(int index) const;
    // The current length of the item along the orientation (0 when hidden).
    int itemLength(int index) const;

    // Sets the factor and relays out; false for a widget not in the list.
    bool changeStretch(QWidget* widget, int stretch);
    bool changeStretchAt(int index, int stretch);

    // Relays out every item from the factors.
    void updateWidgetLength();

    void setDragEnable(bool enable);
    bool isDragEnabled() const { return m_dragEnabled; }

    void rememberStretch();
    void resetOldStretch();

    // Splitter bar `i` lies after shown item `i` of `shownIndexes()`; rectangles
    // in list coordinates.
    QVector<QRect> splitterRects() const { return m_splitterRects; }
    QVector<int> shownIndexes() const;

    void themeChanged() override;

signals:
    // Layout was recomputed (sizes or order changed).
    void layoutChanged();

protected:
    struct Item {
        QWidget* widget = nullptr;
        int stretch = 1;
        int oldStretch = 1;
        int anchor = AnchorBoth;
        bool fixed = false;
        int length = 0;
    };

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Length available to the shown items (list length - margins - splitters).
    int availableLength() const;
    // Places every shown item at its current `length` and rebuilds the
    // splitter rectangles; subclasses use it while a splitter is dragged.
    void applyLengths();
    // Called after every layout pass (splitter rectangles are up to date).
    virtual void splittersMoved() {}

    QList<Item> m_items;

private:
    void computeLengths();
    void relayout();
    void readTheme();
    void onWidgetDestroyed(QObject* object);

    Qt::Orientation m_orientation;
    QMargins m_margins;
    QString m_splitterColorKey;
    QColor m_splitterColor;
    int m_splitterWidth = 1;
    bool m_splitterWidthFromTheme = true;
    int m_minItemLength = 20;
    bool m_dragEnabled = false;
    QVector<QRect> m_splitterRects;
};

} // namespace KW
