#include "dialogs/CKLineTimeLineWidget.h"

namespace TC {

CKLineTimeLineWidget::CKLineTimeLineWidget(CKLineMainWidget* mainWidget, bool fullForm, QWidget* parent)
    : KW::CTimeLineWidget(parent), m_mainWidget(mainWidget), m_fullForm(fullForm)
{
    setBackgroundColorKey(QStringLiteral("ic_clr_timeline_background"));
    setOverviewVisible(false);
    setFixedHeight(baseHeight() + kStripHeight);
}

void CKLineTimeLineWidget::setTip(int index, int x)
{
    m_tipIndex = index;
    m_tipX = x;
    update();
}

void CKLineTimeLineWidget::reset()
{
    setActualRegion(0, 0);
    setOverviewRegion(0, 0);
    setDispRegion(0, 0);
    m_tipIndex = -1;
    m_tipX = 0;
    update();
}

} // namespace TC
