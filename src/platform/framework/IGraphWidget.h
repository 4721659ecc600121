#pragma once

#include <functional>

#include <QPointF>

class QWidget;

#include <QRectF>
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
    // A left press on a shape selects it and starts moving it: true when the
    // engine took the press (the pane then does nothing else with it).
    bool onMousePress(QMouseEvent* event, QWidget* pane);
    // Moves the shape being dragged; true when the engine took the move.
    bool onMouseMove(QMouseEvent* event);
    // Ends a pending move (null: the pointer left, the move is kept as it is);
    // a left release without a move selects the shape under the pointer.
    void onMouseRelease(QMouseEvent* event);
    void drawGraph(QPainter& painter);

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

protected:
    QPointF toPixel(const QPointF& value) const;
    QPointF toValue(const QPointF& pixel) const;

private:
    void store();

    ConvFunc m_pixelToValue;
    ConvFunc m_valueToPixel;
    QRectF m_graphRect;
    QString m_key;
    QVector<CGraphShape> m_shapes;
    int m_current = -1;
    bool m_moving = false;
    bool m_pressed = false;
    QPointF m_pressPos;
    QString m_lineColorKey = CGraphShape::defaultColorKey();
    int m_lineWidth = 1;
    int m_lineStyle = 1;
};

} // namespace KW
