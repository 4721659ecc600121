#pragma once

#include <QMap>
#include <QString>

#include "platform/framework/CCommonDialog.h"

class QLabel;

namespace KW {
class CPushButton;
}

namespace TC {

class CKLineStageDialog;

// "<instrument> 时段统计": the statistics of a selected bar range in two
// columns, the bar count, and the ways on: "阶段排序" opens the stage ranking
// dialog (made once, owned by this dialog; its "确定" closes this dialog too),
// "时段行情" asks the host for the period quote with event 219 ("start,end,
// ex-rights type,period", times in seconds) and closes, "关闭" closes. Each
// close gives result 101.
class CKLineStatisticDialog : public KW::CCommonDialog
{
    Q_OBJECT

public:
    enum EButton { CloseButton = 601, QuoteButton = 602, StageButton = 603 };
    static constexpr int kButtonEvent = 5;
    static constexpr int kQuoteEvent = 219;
    static constexpr int kClosed = 101;

    CKLineStatisticDialog(const QString& name, int barCount, qint64 startTime, qint64 endTime,
                          const QMap<int, QString>& statistics, int drType, int period,
                          QWidget* parent = nullptr);

    // Key -> label, in the order the keys are numbered.
    static QMap<int, QString> labelMap();
    // The keys of the left and right columns, top to bottom.
    static QVector<int> leftKeys();
    static QVector<int> rightKeys();

    const QMap<int, QString>& statistics() const { return m_statistics; }
    // What the row of `key` shows; empty for a key not listed.
    QString shownValue(int key) const;
    QString countText() const;
    KW::CPushButton* button(int id) const;
    CKLineStageDialog* stageDialog() const { return m_stage; }
    qint64 startTime() const { return m_startTime; }
    qint64 endTime() const { return m_endTime; }

    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override;

private:
    void openStage();

    QString m_name;
    int m_barCount = 0;
    qint64 m_startTime = 0;
    qint64 m_endTime = 0;
    QMap<int, QString> m_statistics;
    QMap<int, QString> m_labels;
    int m_drType = 0;
    int m_period = 0;
    QMap<int, QLabel*> m_valueLabels;
    QLabel* m_count = nullptr;
    QMap<int, KW::CPushButton*> m_buttons;
    CKLineStageDialog* m_stage = nullptr;
};

} // namespace TC
