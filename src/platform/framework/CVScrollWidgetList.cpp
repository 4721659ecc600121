#include "platform/framework/CVScrollWidgetList.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "platform/framework/CStyleSheetCenter.h"

namespace KW {

CVScrollWidgetList::CVScrollWidgetList(QWidget* parent) : CBaseWidget(QStringLiteral("vscroll_widget_list"), false, parent)
{
    m_area = new QScrollArea(this);
    m_area->setFrameShape(QFrame::NoFrame);
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setWidgetResizable(false);
    m_inner = new QWidget();
    m_inner->setObjectName(QStringLiteral("vscroll_widget_list_inner"));
    m_inner->setAutoFillBackground(false);
    m_area->setWidget(m_inner);
    m_area->viewport()->setAutoFillBackground(false);
    m_area->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_area);
    themeChanged();
}

bool CVScrollWidgetList::addWidget(QWidget* widget, int height)
{
    if (!widget || widget == this)
        return false;
    for (const Item& item : m_items)
        if (item.widget == widget)
            return false;
    Item item;
    item.widget = widget;
    item.height = qMax(1, height);
    widget->setParent(m_inner);
    widget->show();
    m_items.append(item);
    return true;
}

void CVScrollWidgetList::clear()
{
    const QList<Item> items = m_items;
    m_items.clear();
    for (const Item& item : items)
        delete item.widget.data();
    updateList();
}

QWidget* CVScrollWidgetList::widgetAt(int index) const
{
    const QList<QWidget*> live = widgets();
    return index >= 0 && index < live.size() ? live[index] : nullptr;
}

QList<QWidget*> CVScrollWidgetList::widgets() const
{
    QList<QWidget*> out;
    for (const Item& item : m_items)
        if (item.widget)
            out << item.widget.data();
    return out;
}

void CVScrollWidgetList::setSpacing(int spacing)
{
    m_spacing = qMax(0, spacing);
}

int CVScrollWidgetList::contentHeight() const
{
    int h = 0;
    int n = 0;
    for (const Item& item : m_items)
        if (item.widget)
            h += item.height + (n++ > 0 ? m_spacing : 0);
    return h;
}

void CVScrollWidgetList::updateList()
{
    dropDestroyed();
    const int width = m_area->viewport()->width();
    int y = 0;
    for (const Item& item : m_items) {
        item.widget->setGeometry(0, y, width, item.height);
        y += item.height + m_spacing;
    }
    m_inner->resize(width, contentHeight());
}

void CVScrollWidgetList::dropDestroyed()
{
    for (int i = m_items.size() - 1; i >= 0; --i)
        if (!m_items[i].widget)
            m_items.removeAt(i);
}

bool CVScrollWidgetList::eventFilter(QObject* watched, QEvent* event)
{
    // The scroll bar coming or going changes the viewport's width.
    if (watched == m_area->viewport() && event->type() == QEvent::Resize)
        updateList();
    return CBaseWidget::eventFilter(watched, event);
}

void CVScrollWidgetList::themeChanged()
{
    CBaseWidget::themeChanged();
    m_area->verticalScrollBar()->setStyleSheet(CStyleSheetCenter::getStyle(CStyleSheetCenter::ScrollBar, this));
}

} // namespace KW
