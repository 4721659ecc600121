#include "platform/framework/CWidgetList.h"

#include <algorithm>

#include <QEvent>
#include <QPainter>

#include "platform/framework/CUiResource.h"

namespace KW {

namespace {

const char* const kDefaultSplitterKey = "clr_splitter";
const char* const kSplitterWidthKey = "siz_splitter_width";

bool explicitlyHidden(const QWidget* w)
{
    return w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

} // namespace

CWidgetList::CWidgetList(Qt::Orientation orientation, QWidget* parent)
    : CBaseWidget(QStringLiteral("widget_list"), false, parent), m_orientation(orientation),
      m_splitterColorKey(QString::fromLatin1(kDefaultSplitterKey))
{
    readTheme();
}

CWidgetList::~CWidgetList()
{
    // Children die after this body; stop listening to them first.
    for (const Item& item : m_items) {
        item.widget->removeEventFilter(this);
        disconnect(item.widget, nullptr, this, nullptr);
    }
}

void CWidgetList::readTheme()
{
    CUiResource* res = CUiResource::instance();
    m_splitterColor = res->getColor(m_splitterColorKey);
    if (m_splitterWidthFromTheme)
        m_splitterWidth = std::max(0, res->getSize(QString::fromLatin1(kSplitterWidthKey)));
}

void CWidgetList::themeChanged()
{
    CBaseWidget::themeChanged();
    readTheme();
    relayout();
}

void CWidgetList::setOrientation(Qt::Orientation orientation)
{
    if (orientation == m_orientation)
        return;
    m_orientation = orientation;
    relayout();
}

void CWidgetList::setMargins(int left, int top, int right, int bottom)
{
    m_margins = QMargins(std::max(0, left), std::max(0, top), std::max(0, right), std::max(0, bottom));
    relayout();
}

void CWidgetList::setSplitterColorKey(const QString& key)
{
    m_splitterColorKey = key.isEmpty() ? QString::fromLatin1(kDefaultSplitterKey) : key;
    m_splitterColor = CUiResource::instance()->getColor(m_splitterColorKey);
    update();
}

void CWidgetList::setSplitterWidth(int width)
{
    m_splitterWidthFromTheme = false;
    m_splitterWidth = std::max(0, width);
    relayout();
}

void CWidgetList::setMinimumItemLength(int length)
{
    m_minItemLength = std::max(1, length);
    relayout();
}

bool CWidgetList::addStretchWidget(QWidget* widget, int stretch, int anchor, bool fixed)
{
    return insertStretchWidget(m_items.size(), widget, stretch, anchor, fixed);
}

bool CWidgetList::insertStretchWidget(int index, QWidget* widget, int stretch, int anchor, bool fixed)
{
    if (!widget || widget == this || indexOf(widget) >= 0)
        return false;
    if (index < 0 || index > m_items.size())
        index = m_items.size();

    Item item;
    item.widget = widget;
    item.stretch = std::max(1, stretch);
    item.oldStretch = item.stretch;
    item.anchor = anchor & AnchorBoth;
    item.fixed = fixed;
    m_items.insert(index, item);

    const bool keepHidden = explicitlyHidden(widget);
    if (widget->parentWidget() != this)
        widget->setParent(this);
    if (!keepHidden)
        widget->show();
    widget->installEventFilter(this);
    connect(widget, &QObject::destroyed, this, &CWidgetList::onWidgetDestroyed);
    relayout();
    return true;
}

bool CWidgetList::removeWidget(QWidget* widget)
{
    const int i = indexOf(widget);
    if (i < 0)
        return false;
    widget->removeEventFilter(this);
    disconnect(widget, nullptr, this, nullptr);
    m_items.removeAt(i);
    relayout();
    return true;
}

void CWidgetList::onWidgetDestroyed(QObject* object)
{
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_items[i].widget == object) {
            m_items.removeAt(i);
            relayout();
            return;
        }
    }
}

bool CWidgetList::moveWidget(int from, int to)
{
    if (from < 0 || from >= m_items.size())
        return false;
    to = std::clamp(to, 0, m_items.size() - 1);
    if (from != to) {
        m_items.move(from, to);
        relayout();
    }
    return true;
}

int CWidgetList::indexOf(const QWidget* widget) const
{
    if (!widget)
        return -1;
    for (int i = 0; i < m_items.size(); ++i)
        if (m_items[i].widget == widget)
            return i;
    return -1;
}

QWidget* CWidgetList::widgetAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index].widget : nullptr;
}

int CWidgetList::stretch(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index].stretch : 0;
}

int CWidgetList::oldStretch(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index].oldStretch : 0;
}

int CWidgetList::anchor(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index].anchor : 0;
}

bool CWidgetList::isFixed(int index) const
{
    return index >= 0 && index < m_items.size() && m_items[index].fixed;
}

int CWidgetList::itemLength(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items[index].length : 0;
}

bool CWidgetList::changeStretch(QWidget* widget, int stretch)
{
    return changeStretchAt(indexOf(widget), stretch);
}

bool CWidgetList::changeStretchAt(int index, int stretch)
{
    if (index < 0 || index >= m_items.size())
        return false;
    m_items[index].stretch = std::max(1, stretch);
    relayout();
    return true;
}

void CWidgetList::updateWidgetLength()
{
    relayout();
}

void CWidgetList::setDragEnable(bool enable)
{
    if (m_dragEnabled && !enable)
        rememberStretch();
    m_dragEnabled = enable;
    // Grips show the split cursor only while they work.
    splittersMoved();
}

void CWidgetList::rememberStretch()
{
    for (Item& item : m_items)
        item.oldStretch = item.stretch;
}

void CWidgetList::resetOldStretch()
{
    for (Item& item : m_items)
        item.stretch = item.oldStretch;
    relayout();
}

QVector<int> CWidgetList::shownIndexes() const
{
    QVector<int> shown;
    for (int i = 0; i < m_items.size(); ++i)
        if (!m_items[i].widget->isHidden())
            shown.append(i);
    return shown;
}

int CWidgetList::availableLength() const
{
    const int shown = shownIndexes().size();
    const int total = m_orientation == Qt::Vertical ? height() - m_margins.top() - m_margins.bottom()
                                                    : width() - m_margins.left() - m_margins.right();
    return std::max(0, total - std::max(0, shown - 1) * m_splitterWidth);
}

void CWidgetList::computeLengths()
{
    const QVector<int> shown = shownIndexes();
    for (Item& item : m_items)
        item.length = 0;
    if (shown.isEmpty())
        return;

    // Proportional shares, except that no shown item gets less than the
    // minimum length while the list has room for it: an item whose share
    // falls below it is pinned there and the others share the rest. Factors
    // taken from pixel heights of another window size would otherwise leave
    // an item a few pixels (or none) high.
    const qint64 avail = availableLength();
    const qint64 minLen = std::min<qint64>(m_minItemLength, avail / shown.size());
    QVector<bool> pinned(shown.size(), false);
    for (bool again = true; again;) {
        again = false;
        qint64 rest = avail;
        qint64 sum = 0;
        for (int k = 0; k < shown.size(); ++k) {
            if (pinned[k])
                rest -= minLen;
            else
                sum += m_items[shown[k]].stretch;
        }
        for (int k = 0; k < shown.size(); ++k) {
            Item& item = m_items[shown[k]];
            if (pinned[k]) {
                item.length = static_cast<int>(minLen);
                continue;
            }
            item.length = sum > 0 ? static_cast<int>(rest * item.stretch / sum) : 0;
            if (item.length < minLen) {
                pinned[k] = true;
                again = true;
            }
        }
    }
    qint64 used = 0;
    for (int i : shown)
        used += m_items[i].length;
    m_items[shown.last()].length += static_cast<int>(avail - used);
}

void CWidgetList::applyLengths()
{
    const QVector<int> shown = shownIndexes();
    m_splitterRects.clear();
    const bool vertical = m_orientation == Qt::Vertical;
    const int crossStart = vertical ? m_margins.left() : m_margins.top();
    const int crossLength = std::max(0, vertical ? width() - m_margins.left() - m_margins.right()
                                                 : height() - m_margins.top() - m_margins.bottom());
    int pos = vertical ? m_margins.top() : m_margins.left();
    for (int k = 0; k < shown.size(); ++k) {
        const Item& item = m_items[shown[k]];
        if (vertical)
            item.widget->setGeometry(crossStart, pos, crossLength, item.length);
        else
            item.widget->setGeometry(pos, crossStart, item.length, crossLength);
        pos += item.length;
        if (k + 1 < shown.size()) {
            m_splitterRects.append(vertical ? QRect(crossStart, pos, crossLength, m_splitterWidth)
                                            : QRect(pos, crossStart, m_splitterWidth, crossLength));
            pos += m_splitterWidth;
        }
    }
    splittersMoved();
    update();
    emit layoutChanged();
}

void CWidgetList::relayout()
{
    computeLengths();
    applyLengths();
}

void CWidgetList::paintEvent(QPaintEvent*)
{
    if (m_splitterRects.isEmpty() || m_splitterWidth <= 0)
        return;
    QPainter painter(this);
    for (const QRect& r : m_splitterRects)
        painter.fillRect(r, m_splitterColor);
}

void CWidgetList::resizeEvent(QResizeEvent*)
{
    relayout();
}

bool CWidgetList::eventFilter(QObject* watched, QEvent* event)
{
    // An item shown or hidden by its owner changes the split.
    if ((event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) &&
        watched->isWidgetType() && indexOf(static_cast<QWidget*>(watched)) >= 0)
        relayout();
    return CBaseWidget::eventFilter(watched, event);
}

} // namespace KW
