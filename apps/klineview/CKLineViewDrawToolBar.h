#pragma once

#include <QToolBar>
#include <QVector>

class QAction;

namespace TC {

class CKLineMainWidget;

// "画线": one action per drawing tool, each starting that tool in the
// chart's main pane (press, drag, release there to place it), and "删除"
// for the selected drawing.
class CKLineViewDrawToolBar : public QToolBar
{
    Q_OBJECT

public:
    CKLineViewDrawToolBar(CKLineMainWidget* chart, QWidget* parent = nullptr);

    // The tool actions in KW::CGraphShape::EType order (type = index + 1).
    const QVector<QAction*>& toolActions() const { return m_tools; }
    QAction* deleteAction() const { return m_delete; }

private:
    CKLineMainWidget* m_chart = nullptr;
    QVector<QAction*> m_tools;
    QAction* m_delete = nullptr;
};

} // namespace TC
