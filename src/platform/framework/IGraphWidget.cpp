#include "platform/framework/IGraphWidget.h"

#include <cmath>

#include <QFontMetrics>
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

void IGraphWidget::project(CGraphShape& s) const
{
    s.pixelA = toPixel(s.valueA);
    s.pixelB = toPixel(s.valueB);
    if (s.type == CGraphShape::ParallelChannel)
        s.pixelC = toPixel(s.valueC);
}

bool IGraphWidget::valuesFromPixels(CGraphShape& s) const
{
    const QPointF a = toValue(s.pixelA);
    switch (s.type) {
    case CGraphShape::HorizontalLine:
        // Only the value matters; a time off the bars keeps the old one.
        if (!std::isfinite(a.y()))
            return false;
        s.valueA = QPointF(std::isfinite(a.x()) ? a.x() : s.valueA.x(), a.y());
        s.valueB = s.valueA;
        return true;
    case CGraphShape::VerticalLine:
        if (!std::isfinite(a.x()))
            return false;
        s.valueA = QPointF(a.x(), std::isfinite(a.y()) ? a.y() : s.valueA.y());
        s.valueB = s.valueA;
        return true;
    case CGraphShape::TextNote:
        if (!finitePoint(a))
            return false;
        s.valueA = s.valueB = a;
        return true;
    default:
        break;
    }
    const QPointF b = toValue(s.pixelB);
    const QPointF c = s.type == CGraphShape::ParallelChannel ? toValue(s.pixelC) : QPointF();
    // A point that maps to no value (outside the bars) keeps the old ones.
    if (!finitePoint(a) || !finitePoint(b) || !finitePoint(c))
        return false;
    s.valueA = a;
    s.valueB = b;
    if (s.type == CGraphShape::ParallelChannel)
        s.valueC = c;
    return true;
}

void IGraphWidget::recalcAxisByValue()
{
    for (int i = 0; i < m_shapes.size(); ++i) {
        if (i == m_creating)
            continue;
        project(m_shapes[i]);
        m_shapes[i].pixelEdited = false;
    }
}

void IGraphWidget::recalcValueByAxis()
{
    bool changed = false;
    for (int i = 0; i < m_shapes.size(); ++i) {
        CGraphShape& s = m_shapes[i];
        if (!s.pixelEdited || i == m_creating)
            continue;
        changed = valuesFromPixels(s) || changed;
        s.pixelEdited = false;
    }
    if (changed)
        store();
}

bool IGraphWidget::beginDrawGraph(int type)
{
    if (type < CGraphShape::kFirstType || type > CGraphShape::kLastType)
        return false;
    dropCreate();
    selectGraph(-1);
    m_drawType = type;
    m_pressed = false;
    onGraphStateChanged(2);
    return true;
}

void IGraphWidget::cancelDrawGraph()
{
    const bool was = m_drawType != 0;
    dropCreate();
    m_drawType = 0;
    if (was)
        onGraphStateChanged(m_current >= 0 ? 1 : 0);
}

void IGraphWidget::dropCreate()
{
    if (m_creating >= 0 && m_creating < m_shapes.size())
        m_shapes.remove(m_creating);
    m_creating = -1;
    m_createStage = 0;
}

void IGraphWidget::finishCreate()
{
    CGraphShape& s = m_shapes[m_creating];
    const bool onePoint = s.pointCount() == 1;
    if (onePoint)
        s.pixelB = s.pixelA;
    const bool dragged = QLineF(s.pixelA, s.pixelB).length() >= kMinDrawPixels;
    if ((!onePoint && !dragged) || !valuesFromPixels(s)) {
        // A bare click, or a point off the bars: nothing is placed and the
        // mode stays for another try.
        dropCreate();
        return;
    }
    s.pixelEdited = false;
    project(s);
    const int index = m_creating;
    m_creating = -1;
    m_createStage = 0;
    m_drawType = 0;
    store();
    m_current = -1;
    selectGraph(index);
    onDone();
}

QPointF& IGraphWidget::pixelPoint(CGraphShape& s, int handle)
{
    return handle == 0 ? s.pixelA : handle == 1 ? s.pixelB : s.pixelC;
}

int IGraphWidget::handleAt(const QPointF& p) const
{
    if (m_current < 0 || m_current >= m_shapes.size())
        return -1;
    const CGraphShape& s = m_shapes.at(m_current);
    if (!s.hasPixels() || s.type == CGraphShape::TextNote)
        return -1;
    const int n = s.pointCount();
    for (int h = n - 1; h >= 0; --h) {
        const QPointF q = h == 0 ? s.pixelA : h == 1 ? s.pixelB : s.pixelC;
        if (std::abs(q.x() - p.x()) <= kHandlePixels && std::abs(q.y() - p.y()) <= kHandlePixels)
            return h;
    }
    return -1;
}

bool IGraphWidget::onMousePress(QMouseEvent* event, QWidget*)
{
    if (!event || event->button() != Qt::LeftButton)
        return false;
    const QPointF pos = event->localPos();
    if (m_drawType != 0) {
        if (m_creating >= 0 && m_createStage == 2) {
            m_shapes[m_creating].pixelC = pos;
            m_pressed = true;
            return true;
        }
        if (!finitePoint(toValue(pos)))
            return true; // Off the bars: no point to start from.
        CGraphShape s;
        s.type = m_drawType;
        s.colorKey = m_lineColorKey;
        s.width = m_lineWidth;
        s.style = m_lineStyle;
        if (s.type == CGraphShape::TextNote)
            s.text = CGraphShape::defaultText();
        s.pixelA = s.pixelB = s.pixelC = pos;
        m_shapes.append(s);
        m_creating = m_shapes.size() - 1;
        m_createStage = 1;
        m_pressed = true;
        return true;
    }
    const int handle = handleAt(pos);
    const int hit = handle >= 0 ? m_current : hitTest(pos);
    if (hit < 0)
        return false;
    selectGraph(hit);
    m_dragHandle = handle;
    m_pressed = true;
    m_pressPos = pos;
    return true;
}

bool IGraphWidget::onMouseMove(QMouseEvent* event)
{
    if (!event)
        return false;
    if (m_creating >= 0) {
        CGraphShape& s = m_shapes[m_creating];
        if (m_createStage == 2)
            s.pixelC = event->localPos(); // The parallel follows the pointer.
        else if (event->buttons() & Qt::LeftButton)
            s.pixelB = event->localPos();
        return true;
    }
    if (!m_pressed || !(event->buttons() & Qt::LeftButton))
        return false;
    if (m_dragHandle >= 0 && m_current >= 0) {
        CGraphShape& s = m_shapes[m_current];
        pixelPoint(s, m_dragHandle) = event->localPos();
        s.pixelEdited = true;
        m_moving = true;
    } else {
        moveCurrGraph(event->localPos() - m_pressPos);
    }
    m_pressPos = event->localPos();
    return true;
}

void IGraphWidget::onMouseRelease(QMouseEvent* event)
{
    const bool pressed = m_pressed;
    m_pressed = false;
    m_dragHandle = -1;
    if (m_creating >= 0) {
        if (!pressed)
            return;
        CGraphShape& s = m_shapes[m_creating];
        if (event)
            (m_createStage == 2 ? s.pixelC : s.pointCount() == 1 ? s.pixelA : s.pixelB) = event->localPos();
        if (m_createStage == 1 && s.type == CGraphShape::ParallelChannel &&
            QLineF(s.pixelA, s.pixelB).length() >= kMinDrawPixels) {
            m_createStage = 2;
            s.pixelC = s.pixelB;
            return;
        }
        finishCreate();
        return;
    }
    if (m_moving) {
        m_moving = false;
        recalcValueByAxis();
        onDone();
        return;
    }
    if (!event || event->button() != Qt::LeftButton || pressed || m_drawType != 0)
        return;
    selectGraph(hitTest(event->localPos()));
}

bool IGraphWidget::onMouseDoubleClick(QMouseEvent* event)
{
    if (!event || event->button() != Qt::LeftButton || m_drawType != 0)
        return false;
    const int hit = hitTest(event->localPos());
    if (hit < 0 || hit != m_current)
        return false;
    editCurrGraphAttribute();
    return true;
}

QRectF IGraphWidget::hitArea() const
{
    return m_graphRect;
}

QSizeF IGraphWidget::textSize(const CGraphShape& s) const
{
    if (s.type != CGraphShape::TextNote)
        return QSizeF();
    const QFontMetrics fm(CUiResource::instance()->getFont(QStringLiteral("fnt_graph_axis_text")));
    return QSizeF(fm.horizontalAdvance(s.text) + 4, fm.height() + 2);
}

bool IGraphWidget::isVisible(const CGraphShape& s) const
{
    if (!s.hasPixels())
        return false;
    if (!m_graphRect.isValid())
        return true;
    switch (s.type) {
    case CGraphShape::HorizontalLine:
        return s.pixelA.y() >= m_graphRect.top() - s.width && s.pixelA.y() <= m_graphRect.bottom() + s.width;
    case CGraphShape::VerticalLine:
        return s.pixelA.x() >= m_graphRect.left() - s.width && s.pixelA.x() <= m_graphRect.right() + s.width;
    case CGraphShape::Ray:
        return true; // Its far end is wherever it leaves the area.
    default:
        break;
    }
    QRectF box = QRectF(s.pixelA, s.pixelB).normalized();
    if (s.type == CGraphShape::ParallelChannel) {
        const QPointF off = s.channelOffset();
        box = box.united(QRectF(s.pixelA + off, s.pixelB + off).normalized());
    } else if (s.type == CGraphShape::TextNote) {
        box = QRectF(s.pixelA, textSize(s));
    } else if (s.type == CGraphShape::FibonacciRetracement) {
        box.adjust(0, 0, 80, 0); // Level labels to the right.
    }
    const double m = s.width + 1;
    return box.adjusted(-m, -m, m, m).intersects(m_graphRect);
}

void IGraphWidget::drawShape(QPainter& painter, const CGraphShape& s)
{
    m_lineBuffer.clear();
    const QRectF area = m_graphRect.isValid() ? m_graphRect : QRectF(painter.viewport());
    switch (s.type) {
    case CGraphShape::Ray:
        m_lineBuffer.append(QLineF(s.pixelA, s.rayEnd(area)));
        break;
    case CGraphShape::HorizontalLine:
        m_lineBuffer.append(QLineF(area.left(), s.pixelA.y(), area.right(), s.pixelA.y()));
        break;
    case CGraphShape::VerticalLine:
        m_lineBuffer.append(QLineF(s.pixelA.x(), area.top(), s.pixelA.x(), area.bottom()));
        break;
    case CGraphShape::ParallelChannel: {
        const QPointF off = s.channelOffset();
        m_lineBuffer.append(QLineF(s.pixelA, s.pixelB));
        m_lineBuffer.append(QLineF(s.pixelA + off, s.pixelB + off));
        break;
    }
    case CGraphShape::FibonacciRetracement: {
        const double left = std::min(s.pixelA.x(), s.pixelB.x());
        const double right = std::max(s.pixelA.x(), s.pixelB.x());
        for (double r : CGraphShape::kFibLevels) {
            const double y = s.pixelB.y() + (s.pixelA.y() - s.pixelB.y()) * r;
            m_lineBuffer.append(QLineF(left, y, right, y));
        }
        break;
    }
    case CGraphShape::Rectangle: {
        const QPointF tr(s.pixelB.x(), s.pixelA.y());
        const QPointF bl(s.pixelA.x(), s.pixelB.y());
        m_lineBuffer.append(QLineF(s.pixelA, tr));
        m_lineBuffer.append(QLineF(tr, s.pixelB));
        m_lineBuffer.append(QLineF(s.pixelB, bl));
        m_lineBuffer.append(QLineF(bl, s.pixelA));
        break;
    }
    case CGraphShape::TextNote:
        break;
    default:
        m_lineBuffer.append(QLineF(s.pixelA, s.pixelB));
        break;
    }
    if (!m_lineBuffer.isEmpty())
        painter.drawLines(m_lineBuffer);
    if (s.type == CGraphShape::FibonacciRetracement) {
        // Labels name the level and its value, computed in value space.
        const double right = std::max(s.pixelA.x(), s.pixelB.x());
        for (double r : CGraphShape::kFibLevels) {
            const double y = s.pixelB.y() + (s.pixelA.y() - s.pixelB.y()) * r;
            const double v = s.valueB.y() + (s.valueA.y() - s.valueB.y()) * r;
            painter.drawText(QPointF(right + 3, y - 2),
                             QStringLiteral("%1% %2").arg(r * 100.0, 0, 'f', 1).arg(v, 0, 'f', 2));
        }
    } else if (s.type == CGraphShape::TextNote) {
        painter.drawText(QRectF(s.pixelA, textSize(s)), Qt::AlignLeft | Qt::AlignVCenter, s.text);
    }
}

void IGraphWidget::drawGraph(QPainter& painter)
{
    if (m_shapes.isEmpty())
        return;
    CUiResource* res = CUiResource::instance();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(res->getFont(QStringLiteral("fnt_graph_axis_text")));
    if (m_graphRect.isValid())
        painter.setClipRect(m_graphRect);
    const QColor handle = res->getColor(QStringLiteral("ic_clr_draw_graph_select"));
    for (int i = 0; i < m_shapes.size(); ++i) {
        CGraphShape& s = m_shapes[i];
        // Shapes at rest follow the axes as they are now.
        if (!s.pixelEdited && i != m_creating)
            project(s);
        if (!isVisible(s))
            continue;
        painter.setPen(QPen(res->getColor(s.colorKey), s.width, Qt::PenStyle(s.style)));
        drawShape(painter, s);
        if (i == m_current) {
            // Handles on the placed points mark the selected shape.
            const int n = s.type == CGraphShape::TextNote ? 1 : s.pointCount();
            const QPointF pts[3] = {s.pixelA, s.pixelB, s.pixelC};
            for (int h = 0; h < n; ++h)
                painter.fillRect(QRectF(pts[h].x() - 3, pts[h].y() - 3, 7, 7), handle);
        }
    }
    painter.restore();
}

bson::BSONObj IGraphWidget::getParam() const
{
    bson::BSONArrayBuilder arr;
    for (int i = 0; i < m_shapes.size(); ++i)
        if (i != m_creating) // A shape being placed is not stored yet.
            arr.append(m_shapes.at(i).toBson());
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
            project(s);
            shapes.append(s);
            if (shapes.size() >= kMaxShapes)
                break;
        }
    } catch (const std::exception& e) {
        QLLOG_WARN(qlog::kStdLogger, "unreadable drawing parameter, key:%1%, error:%2%", m_key, e.what());
        return false;
    }
    m_shapes = shapes;
    m_moving = false;
    m_creating = -1;
    m_createStage = 0;
    m_drawType = 0;
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
        double w = 0, st = 0;
        // Numbers are range-checked as doubles: converting a huge one to int
        // is undefined.
        setLineAttribute(c.type() == mongo::String ? QString::fromStdString(c.str()) : m_lineColorKey,
                         CGraphShape::readNumber(data, "lineWidth", w, 1, 10) ? int(w) : m_lineWidth,
                         CGraphShape::readNumber(data, "lineStyle", st, 1, 5) ? int(st) : m_lineStyle);
    } catch (const std::exception&) {
        // Attributes are optional; the shapes are loaded already.
    }
    return true;
}

void IGraphWidget::clearGraphs()
{
    m_shapes.clear();
    m_moving = false;
    m_creating = -1;
    m_createStage = 0;
    m_drawType = 0;
    if (m_current >= 0) {
        m_current = -1;
        onGraphNotify(nullptr);
        onGraphStateChanged(0);
    }
}

int IGraphWidget::addLine(const QPointF& a, const QPointF& b)
{
    CGraphShape s;
    s.valueA = a;
    s.valueB = b;
    return addGraph(s);
}

int IGraphWidget::addGraph(const CGraphShape& shape)
{
    const bool ok = shape.type >= CGraphShape::kFirstType && shape.type <= CGraphShape::kLastType &&
                    finitePoint(shape.valueA) && (shape.pointCount() < 2 || finitePoint(shape.valueB)) &&
                    (shape.pointCount() < 3 || finitePoint(shape.valueC));
    if (!ok || m_shapes.size() >= kMaxShapes) {
        QLLOG_WARN(qlog::kStdLogger, "shape with a non-finite point or unknown type ignored, key:%1%", m_key);
        return -1;
    }
    CGraphShape s = shape;
    if (s.pointCount() == 1)
        s.valueB = s.valueA;
    if (s.type == CGraphShape::TextNote && s.text.trimmed().isEmpty())
        s.text = CGraphShape::defaultText();
    s.text = s.text.left(CGraphShape::kMaxTextLength);
    s.colorKey = m_lineColorKey;
    s.width = m_lineWidth;
    s.style = m_lineStyle;
    s.pixelEdited = false;
    project(s);
    m_shapes.append(s);
    store();
    onDone();
    return m_shapes.size() - 1;
}

bool IGraphWidget::setGraphAttribute(int index, const QString& colorKey, int width, int style, int direction,
                                     const QString& text)
{
    if (index < 0 || index >= m_shapes.size() || index == m_creating)
        return false;
    CGraphShape& s = m_shapes[index];
    if (!colorKey.isEmpty())
        s.colorKey = colorKey;
    if (width >= 1 && width <= 10)
        s.width = width;
    if (style >= 1 && style <= 5)
        s.style = style;
    if (direction == 0 || direction == 1)
        s.direction = direction;
    if (s.type == CGraphShape::TextNote && !text.trimmed().isEmpty())
        s.text = text.left(CGraphShape::kMaxTextLength);
    store();
    onDone();
    return true;
}

int IGraphWidget::hitTest(const QPointF& p, double tolerance) const
{
    int best = -1;
    double bestDistance = tolerance;
    for (int i = 0; i < m_shapes.size(); ++i) {
        if (i == m_creating)
            continue;
        const CGraphShape& s = m_shapes.at(i);
        const double d = s.pixelDistance(p, hitArea(), textSize(s));
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
    s.pixelC += delta;
    s.pixelEdited = true;
    m_moving = true;
}

void IGraphWidget::deleteCurrGraph()
{
    if (m_drawType != 0)
        cancelDrawGraph();
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
