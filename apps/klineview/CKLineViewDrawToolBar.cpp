#include "CKLineViewDrawToolBar.h"

#include <QAction>

#include "kline/CKLineMainWidget.h"
#include "platform/framework/CGraphShape.h"

namespace TC {

CKLineViewDrawToolBar::CKLineViewDrawToolBar(CKLineMainWidget* chart, QWidget* parent)
    : QToolBar(QStringLiteral("画线"), parent), m_chart(chart)
{
    setObjectName(QStringLiteral("klineview_draw_toolbar"));
    const QStringList names = {QStringLiteral("趋势线"),   QStringLiteral("射线"),
                               QStringLiteral("水平线"),   QStringLiteral("垂直线"),
                               QStringLiteral("平行通道"), QStringLiteral("黄金分割"),
                               QStringLiteral("矩形"),     QStringLiteral("文字注释")};
    for (int i = 0; i < names.size(); ++i) {
        const int type = KW::CGraphShape::kFirstType + i;
        QAction* a = addAction(names.at(i));
        a->setObjectName(QStringLiteral("draw_tool_%1").arg(type));
        a->setToolTip(names.at(i));
        connect(a, &QAction::triggered, this, [this, type] {
            if (m_chart)
                m_chart->startDrawTool(type);
        });
        m_tools << a;
    }
    addSeparator();
    m_delete = addAction(QStringLiteral("删除"));
    m_delete->setObjectName(QStringLiteral("draw_tool_delete"));
    connect(m_delete, &QAction::triggered, this, [this] {
        if (m_chart)
            m_chart->deleteCurrGraph();
    });
}

} // namespace TC
