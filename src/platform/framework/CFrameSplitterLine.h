#pragma once

#include <QColor>
#include <QString>

#include "platform/framework/CBaseWidget.h"

namespace KW {

// A thin separating line: the whole widget is filled with the colour of the
// given key (re-read on theme changes). It is 1 pixel high and as wide as
// its layout allows; `setFixedHeight` (or `setFixedWidth` for an upright
// line) gives another thickness.
class CFrameSplitterLine : public CBaseWidget
{
    Q_OBJECT

public:
    explicit CFrameSplitterLine(const QString& colorKey, QWidget* parent = nullptr);

    void setColorKey(const QString& key);
    QString colorKey() const { return m_colorKey; }

    void themeChanged() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_colorKey;
    QColor m_color;
};

} // namespace KW
