#include "platform/framework/CTimeLineWidget.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>

#include "platform/framework/CUiResource.h"

namespace KW {

namespace {

const char* const kBackgroundKey = "ic_clr_timeline_background";
const char* const kTextFontKey = "fnt_timeline_text_default";
// Room under the text for the tick marks.
constexpr int kTickRoom = 4;

} // namespace

CTimeLineWidget::CTimeLineWidget(QWidget* parent)
    : CBaseWidget(QStringLiteral("timeline_widget"), false, parent),
      m_backgroundKey(QString::fromLatin1(kBackgroundKey))
{
    m_background = CUiResource::instance()->getColor(m_backgroundKey);
    reloadPictures();
}

void CTimeLineWidget::setBackgroundColorKey(const QString& key)
{
    m_backgroundKey = key.isEmpty() ? QString::fromLatin1(kBackgroundKey) : key;
    m_background = CUiResource::instance()->getColor(m_backgroundKey);
    update();
}

void CTimeLineWidget::setOverviewVisible(bool visible)
{
    m_overviewVisible = visible;
    updateGeometry();
    update();
}

void CTimeLineWidget::setOverviewHeight(int height)
{
    m_overviewHeight = std::max(0, height);
    updateGeometry();
    update();
}

int CTimeLineWidget::baseHeight() const
{
    return QFontMetrics(CUiResource::instance()->getFont(QString::fromLatin1(kTextFontKey))).height() +
           kTickRoom;
}

QRect CTimeLineWidget::overviewRect() const
{
    if (!m_overviewVisible || m_overviewHeight <= 0)
        return QRect();
    const int h = std::min(m_overviewHeight, height());
    return QRect(0, height() - h, width(), h);
}

QRect CTimeLineWidget::timeLineRect() const
{
    const QRect ov = overviewRect();
    return QRect(0, 0, width(), height() - (ov.isNull() ? 0 : ov.height()));
}

QSize CTimeLineWidget::sizeHint() const
{
    return QSize(200, baseHeight() + (m_overviewVisible ? m_overviewHeight : 0));
}

void CTimeLineWidget::themeChanged()
{
    CBaseWidget::themeChanged();
    m_background = CUiResource::instance()->getColor(m_backgroundKey);
    reloadPictures();
    updateGeometry();
    update();
}

void CTimeLineWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    const QRect line = timeLineRect();
    if (!line.isEmpty()) {
        painter.save();
        drawTimeLine(painter, line);
        painter.restore();
    }
    const QRect ov = overviewContentRect();
    if (!ov.isEmpty()) {
        painter.save();
        drawOverview(painter, ov);
        painter.restore();
    }
    if (!overviewRect().isEmpty()) {
        painter.save();
        paintOverviewFrame(painter);
        painter.restore();
    }
}

void CTimeLineWidget::drawTimeLine(QPainter&, const QRect&)
{
}

void CTimeLineWidget::drawOverview(QPainter&, const QRect&)
{
}

} // namespace KW
