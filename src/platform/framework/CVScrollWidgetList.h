#pragma once

#include <QList>
#include <QPointer>

#include "platform/framework/CBaseWidget.h"

class QScrollArea;

namespace KW {

// A vertical list of widgets of fixed heights that scrolls when they do not
// fit (vertical scroll bar only, in the theme's scroll-bar style). Items are
// stacked top down in insertion order, `spacing()` pixels apart, each as wide
// as the visible area.
//
// Items become children of the list's inner area and are owned by it:
// `clear()` deletes them. Adding and removing lays the list out again only
// on `updateList()` (a caller rebuilding many items pays for one layout); a
// resize lays it out at once. An item destroyed elsewhere no longer counts
// and leaves its place on the next layout.
class CVScrollWidgetList : public CBaseWidget
{
    Q_OBJECT

public:
    explicit CVScrollWidgetList(QWidget* parent = nullptr);

    // Null widgets and widgets already listed are refused; a height below 1
    // is taken as 1.
    bool addWidget(QWidget* widget, int height);
    void clear();
    int count() const { return widgets().size(); }
    QWidget* widgetAt(int index) const;
    QList<QWidget*> widgets() const;

    void setSpacing(int spacing);
    int spacing() const { return m_spacing; }

    // Places every item and sizes the scrolled area to hold them all.
    void updateList();
    // Height of all items with their spacing.
    int contentHeight() const;

    QScrollArea* scrollArea() const { return m_area; }
    void themeChanged() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Item {
        QPointer<QWidget> widget;
        int height = 1;
    };
    void dropDestroyed();

    QScrollArea* m_area = nullptr;
    QWidget* m_inner = nullptr;
    QList<Item> m_items;
    int m_spacing = 0;
};

} // namespace KW
