#include "platform/framework/IGraphWidget.h"

#include <cmath>

#include <QMouseEvent>
#include <QPainter>

#include "platform/config/QLLog.h"
#include "platform/framework/CDrawGraphManager.h"
#include "platform/framework/CUiResource.h"

namespace KW {

namespace {

const char* const kGraphsField = "graphs";

bool finitePoint(const QPointF& p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

} // namespace

IGraphWidget::IGraphWidget() = default;

IGraphWidget::~IGraphWidget() = default;

void IGraphWidget::initConvFunc(ConvFunc pixelToValue, ConvFunc valueToPixel)
{
    m_pixelToValue = std::move(pixelToValue);
    m_valueToPixel = std::move(valueToPixel);
}

void IGraphWidget::setGraphRect(const QRectF& rect)
{
    m_graphRect = rect;
}

QPointF IGraphWidget::toPixel(const QPointF& value) const
{
    if (!m_valueToPixel)
        return QPointF(NAN, NAN);
    return m_valueToPixel(value);
}

QPointF IGraphWidget::toValue(const QPointF& pixel) const
{
    if (!m_pixelToValue)
        return QPointF(NAN, NAN);
    return m_pixelToValue(pixel);
}

void IGraphWidget::recalcAxisByValue()
{
    for (CGraphShape& s : m_shapes) {
        s.pixelA = toPixel(s.valueA);
        s.pixelB = toPixel(s.valueB);
        s.pixelEdited = false;
    }
}

void IGraphWidget::recalcValueByAxis()
{
    bool changed = false;
    for (CGraphShape& s : m_shapes) {
        if (!s.pixelEdited)
            continue;
        const QPointF a = toValue(s.pixelA);
        const QPointF b = toValue(s.pixelB);
        // A point that maps to no value (outside the bars) keeps its old one.
        if (finitePoint(a) && finitePoint(b)) {
            s.valueA = a;
            s.valueB = b;
            changed = true;
        }
        s.pixelEdited = false;
    }
    if (changed)
        store();
}

bool IGraphWidget::onMousePress(QMouseEvent* event, QWidget*)
{
    if (!event || event->button() != Qt::LeftButton)
        return false;
    const int hit = hitTest(event->localPos());
    if (hit < 0)
        return false;
    selectGraph(hit);
    m_pressed = true;
    m_pressPos = event->localPos();
    return true;
}

bool IGraphWidget::onMouseMove(QMouseEvent* event)
{
    if (!m_pressed || !event || !(event->buttons() & Qt::LeftButton))
        return false;
    moveCurrGraph(event->localPos() - m_pressPos);
    m_pressPos = event->localPos();
    return true;
}

void IGraphWidget::onMouseRelease(QMouseEvent* event)
{
    const bool pressed = m_pressed;
    m_pressed = false;
    if (m_moving) {
        m_moving = false;
        recalcValueByAxis();
        onDone();
        return;
    }
    if (!event || event->button() != Qt::LeftButton || pressed)
        return;
    selectGraph(hitTest(event->localPos()));
}

void IGraphWidget::drawGraph(QPainter& painter)
{
    if (m_shapes.isEmpty())
        return;
    CUiResource* res = CUiResource::instance();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_graphRect.isValid())
        painter.setClipRect(m_graphRect);
    for (int i = 0; i < m_shapes.size(); ++i) {
        const CGraphShape& s = m_shapes.at(i);
        if (!s.hasPixels())
            continue;
        painter.setPen(QPen(res->getColor(s.colorKey), s.width, Qt::PenStyle(s.style)));
        painter.drawLine(s.pixelA, s.pixelB);
        if (i == m_current) {
            // Handles at both ends mark the selected line.
            const QColor handle = res->getColor(QStringLiteral("ic_clr_draw_graph_select"));
            for (const QPointF& p : {s.pixelA, s.pixelB})
                painter.fillRect(QRectF(p.x() - 3, p.y() - 3, 7, 7), handle);
        }
    }
    painter.restore();
}

bson::BSONObj IGraphWidget::getParam() const
{
    bson::BSONArrayBuilder arr;
    for (const CGraphShape& s : m_shapes)
        arr.append(s.toBson());
    bson::BSONObjBuilder b;
    b.append(kGraphsField, arr.arr());
    return b.obj();
}

bool IGraphWidget::setParam(const bson::BSONObj& param)
{
    QVector<CGraphShape> shapes;
    try {
        const bson::BSONElement list = param.getField(kGraphsField);
        if (list.type() != mongo::Array) {
            QLLOG_WARN(qlog::kStdLogger, "no shape list in drawing parameter, key:%1%", m_key);
            return false;
        }
        bson::BSONObjIterator it(list.embeddedObject());
        while (it.more()) {
            const bson::BSONElement e = it.next();
            CGraphShape s;
            if (e.type() != mongo::Object || !CGraphShape::fromBson(e.embeddedObject(), s)) {
                QLLOG_WARN(qlog::kStdLogger, "malformed shape skipped, key:%1%", m_key);
                continue;
            }
            s.pixelA = toPixel(s.valueA);
            s.pixelB = toPixel(s.valueB);
            shapes.append(s);
        }
    } catch (const std::exception& e) {
        QLLOG_WARN(qlog::kStdLogger, "unreadable drawing parameter, key:%1%, error:%2%", m_key, e.what());
        return false;
    }
    m_shapes = shapes;
    m_moving = false;
    if (m_current >= 0) {
        m_current = -1;
        onGraphNotify(nullptr);
        onGraphStateChanged(0);
    }
    return true;
}

bool IGraphWidget::setSingleParam(const bson::BSONObj& data)
{
    if (!setParam(data))
        return false;
    try {
        const bson::BSONElement c = data.getField("lineColor");
        const bson::BSONElement w = data.getField("lineWidth");
        const bson::BSONElement st = data.getField("lineStyle");
        setLineAttribute(c.type() == mongo::String ? QString::fromStdString(c.str()) : m_lineColorKey,
                         w.isNumber() ? w.numberInt() : m_lineWidth,
                         st.isNumber() ? st.numberInt() : m_lineStyle);
    } catch (const std::exception&) {
        // Attributes are optional; the shapes are loaded already.
    }
    return true;
}

void IGraphWidget::clearGraphs()
{
    m_shapes.clear();
    m_moving = false;
    if (m_current >= 0) {
        m_current = -1;
        onGraphNotify(nullptr);
        onGraphStateChanged(0);
    }
}

int IGraphWidget::addLine(const QPointF& a, const QPointF& b)
{
    if (!finitePoint(a) || !finitePoint(b)) {
        QLLOG_WARN(qlog::kStdLogger, "line with a non-finite point ignored, key:%1%", m_key);
        return -1;
    }
    CGraphShape s;
    s.valueA = a;
    s.valueB = b;
    s.colorKey = m_lineColorKey;
    s.width = m_lineWidth;
    s.style = m_lineStyle;
    s.pixelA = toPixel(a);
    s.pixelB = toPixel(b);
    m_shapes.append(s);
    store();
    onDone();
    return m_shapes.size() - 1;
}

int IGraphWidget::hitTest(const QPointF& p, double tolerance) const
{
    int best = -1;
    double bestDistance = tolerance;
    for (int i = 0; i < m_shapes.size(); ++i) {
        const double d = m_shapes.at(i).pixelDistance(p);
        if (d <= bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

void IGraphWidget::selectGraph(int index)
{
    if (index < -1 || index >= m_shapes.size())
        index = -1;
    if (index == m_current)
        return;
    m_current = index;
    onGraphNotify(index >= 0 ? static_cast<void*>(&m_shapes[index]) : nullptr);
    onGraphStateChanged(index >= 0 ? 1 : 0);
}

void IGraphWidget::moveCurrGraph(const QPointF& delta)
{
    if (m_current < 0 || !m_shapes.at(m_current).hasPixels())
        return;
    CGraphShape& s = m_shapes[m_current];
    s.pixelA += delta;
    s.pixelB += delta;
    s.pixelEdited = true;
    m_moving = true;
}

void IGraphWidget::deleteCurrGraph()
{
    if (m_current < 0 || m_current >= m_shapes.size())
        return;
    m_shapes.remove(m_current);
    m_current = -1;
    m_moving = false;
    store();
    onGraphNotify(nullptr);
    onGraphStateChanged(0);
    onDone();
}

void IGraphWidget::editCurrGraphAttribute()
{
    if (m_current >= 0)
        onEditGraphAttribute();
}

void IGraphWidget::setLineAttribute(const QString& colorKey, int width, int style)
{
    if (!colorKey.isEmpty())
        m_lineColorKey = colorKey;
    if (width >= 1 && width <= 10)
        m_lineWidth = width;
    if (style >= 1 && style <= 5)
        m_lineStyle = style;
}

void IGraphWidget::store()
{
    if (m_key.isEmpty())
        return;
    // Keeps the record's other fields (line attributes) and replaces its shapes.
    const bson::BSONObj old = TC::CDrawGraphManager::getGraphData(m_key);
    bson::BSONObjBuilder b;
    try {
        bson::BSONObjIterator it(old);
        while (it.more()) {
            const bson::BSONElement e = it.next();
            if (std::string(e.fieldName()) != kGraphsField)
                b.append(e);
        }
    } catch (const std::exception&) {
        // An unreadable old record is replaced by the shapes alone.
    }
    b.appendElements(getParam());
    TC::CDrawGraphManager::setGraphData(m_key, b.obj());
}

} // namespace KW
