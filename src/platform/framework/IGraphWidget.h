#pragma once

#include <functional>

#include <QPointF>

class QWidget;

#include <QLineF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVector>

#include "platform/config/BsonDefs.h"
#include "platform/framework/CGraphShape.h"
#include "platform/framework/IGraphController.h"

class QMouseEvent;
class QPainter;

namespace KW {

// The drawing-tool engine a chart widget derives from: it keeps the user's
// drawn shapes in value space, maps them to pixels with the conversions the
// host hands over, draws them, and stores them under the host's key in
// TC::CDrawGraphManager.
//
// Choices:
//  - Shapes whose points have no pixel (a time outside the chart's bars, a
//    pane without a value range) are kept but not drawn.
//  - recalcValueByAxis only re-reads shapes whose pixels the user moved, so
//    leaving a pane never rounds stored lines onto the pixel grid.
//  - setParam/setSingleParam validate what they are given: a parameter that
//    is not {"graphs": [...]} changes nothing; malformed shapes inside a valid
//    list are skipped with a log line and the rest load.
//  - Every change (add, move, delete) is written to the store at once when a
//    key is set, so a crash loses no drawing.
//  - A drawing mode (beginDrawGraph) places one shape: press at its first
//    point, drag to the second, release; the channel takes a third click for
//    its parallel. A click without a drag places the one-point tools only;
//    the two-point tools need at least kMinDrawPixels of drag. The mode ends
//    with the shape, which is then selected.
//  - A press on a handle of the selected shape moves that point; a press
//    elsewhere on a shape selects it and moves it whole.
//  - drawGraph projects every shape the user is not moving from its values,
//    so a host that forgot recalcAxisByValue after a zoom still draws right.
class IGraphWidget : public IGraphController
{
public:
    using ConvFunc = std::function<QPointF(QPointF)>;

    IGraphWidget();
    ~IGraphWidget() override;

    // pixelToValue: pane pixel -> (time tag, value); valueToPixel: the inverse.
    void initConvFunc(ConvFunc pixelToValue, ConvFunc valueToPixel);
    // The area shapes may be drawn in (the host's pane inset).
    void setGraphRect(const QRectF& rect);
    QRectF graphRect() const { return m_graphRect; }

    // Pixels of every shape from its values (after zoom, scroll, resize).
    void recalcAxisByValue();
    // Values of the shapes the user moved from their pixels.
    void recalcValueByAxis();
    // In a drawing mode a left press starts (or, for the channel's third
    // point, continues) the new shape; otherwise a left press on a shape
    // selects it and starts moving it. True when the engine took the press
    // (the pane then does nothing else with it).
    bool onMousePress(QMouseEvent* event, QWidget* pane);
    // Drags the new shape's point or the shape being moved; true when the
    // engine took the move.
    bool onMouseMove(QMouseEvent* event);
    // Ends a pending move or the drag of a new shape (null: the pointer left,
    // the move is kept as it is); a left release without a move selects the
    // shape under the pointer.
    void onMouseRelease(QMouseEvent* event);
    // A double-click on the selected shape asks for its attributes; true when
    // the engine took it.
    bool onMouseDoubleClick(QMouseEvent* event);
    void drawGraph(QPainter& painter);

    // Starts placing a shape of `type` (a CGraphShape::EType); false for an
    // unknown type. Any selection is dropped.
    bool beginDrawGraph(int type);
    // Leaves the drawing mode, dropping a shape not finished yet.
    void cancelDrawGraph();
    // The type being placed (0: not drawing).
    int drawGraphType() const { return m_drawType; }
    static constexpr double kMinDrawPixels = 3.0;
    static constexpr double kHandlePixels = 5.0;
    // Shapes a record holds at most (a damaged file cannot flood the pane).
    static constexpr int kMaxShapes = 1000;

    void setKey(const QString& key) { m_key = key; }
    QString key() const { return m_key; }

    // The shapes as {"graphs": [shape, ...]}.
    bson::BSONObj getParam() const;
    // Replaces the shapes; false (and nothing changes) when `param` is not
    // a shape list.
    bool setParam(const bson::BSONObj& param);
    // Loads a record of the store: its shapes (as setParam) and the default
    // attributes of new lines ("lineColor", "lineWidth", "lineStyle").
    bool setSingleParam(const bson::BSONObj& data);
    // Removes every shape (nothing is stored).
    void clearGraphs();

    // A straight line between two (time tag, value) points; returns its index.
    int addLine(const QPointF& a, const QPointF& b);
    // A shape from its values (type, points, text); the current line
    // attributes are applied. -1 when the type is unknown or a point it
    // needs is not finite.
    int addGraph(const CGraphShape& shape);
    // Writes the attributes the dialog edits into shape `index` and stores
    // them; false for an index out of range.
    bool setGraphAttribute(int index, const QString& colorKey, int width, int style, int direction,
                           const QString& text = QString());
    int graphCount() const { return m_shapes.size(); }
    const QVector<CGraphShape>& graphs() const { return m_shapes; }
    // The shape within `tolerance` pixels of `p`, nearest first; -1 when none.
    int hitTest(const QPointF& p, double tolerance = 4.0) const;
    void selectGraph(int index);
    int currGraph() const { return m_current; }
    // Moves the selected shape by a pixel offset (a drag step).
    void moveCurrGraph(const QPointF& delta);
    void deleteCurrGraph();
    // Asks the host for the attribute dialog of the selected shape.
    void editCurrGraphAttribute();

    // Attributes given to lines added from now on.
    void setLineAttribute(const QString& colorKey, int width, int style);
    QString lineColorKey() const { return m_lineColorKey; }

    // The text box of a note as drawn (empty for other shapes).
    QSizeF textSize(const CGraphShape& s) const;

protected:
    QPointF toPixel(const QPointF& value) const;
    QPointF toValue(const QPointF& pixel) const;

private:
    void store();
    void project(CGraphShape& s) const;
    // Values of an edited shape from its pixels; false when a point it needs
    // has no value (the old values stay).
    bool valuesFromPixels(CGraphShape& s) const;
    void finishCreate();
    void dropCreate();
    QRectF hitArea() const;
    bool isVisible(const CGraphShape& s) const;
    void drawShape(QPainter& painter, const CGraphShape& s);
    // 0, 1, 2: the handle of point A, B, C of the selected shape under `p`; -1 none.
    int handleAt(const QPointF& p) const;
    QPointF& pixelPoint(CGraphShape& s, int handle);

    ConvFunc m_pixelToValue;
    ConvFunc m_valueToPixel;
    QRectF m_graphRect;
    QString m_key;
    QVector<CGraphShape> m_shapes;
    int m_current = -1;
    bool m_moving = false;
    bool m_pressed = false;
    QPointF m_pressPos;
    int m_drawType = 0;
    // The shape being placed (-1 none) and its stage: 1 dragging B,
    // 2 waiting for (or dragging) the channel's C.
    int m_creating = -1;
    int m_createStage = 0;
    // The point being dragged of the selected shape (-1: the whole shape).
    int m_dragHandle = -1;
    // Reused by every paint so drawing allocates nothing per shape.
    QVector<QLineF> m_lineBuffer;
    QString m_lineColorKey = CGraphShape::defaultColorKey();
    int m_lineWidth = 1;
    int m_lineStyle = 1;
};

} // namespace KW
