#pragma once

#include <QString>
#include <QStringList>

#include "platform/framework/CCommonDialog.h"

class QButtonGroup;

namespace KW {
class CPushButton;
class CSoftCalendarLineEdit;
} // namespace KW

namespace TC {

// "阶段排序": a date range and one of eight ranking criteria. "确定" asks
// the host for the market's ranking with event 3180 (0, 0, "start,end,
// ex-rights type,period,criterion id,criterion label", times in seconds
// since the epoch) and closes with result 0; "关闭" (and the title bar's
// close button) closes with result 101, so a caller can tell the two apart.
// A date that is not complete or does not exist, or a start after the
// end, is refused with a message and the dialog stays open.
class CKLineStageDialog : public KW::CCommonDialog
{
    Q_OBJECT

public:
    enum EButton { OkButton = 702, CloseButton = 703 };
    static constexpr int kButtonEvent = 5;
    static constexpr int kRankingEvent = 3180;
    static constexpr int kClosed = 101;

    explicit CKLineStageDialog(QWidget* parent = nullptr);

    // Times in seconds since the epoch; the editors show their local dates.
    void setData(qint64 startTime, qint64 endTime, int drType, int period);

    static QStringList criterionLabels();
    int checkedCriterion() const;
    void setCriterion(int id);

    KW::CSoftCalendarLineEdit* startEdit() const { return m_start; }
    KW::CSoftCalendarLineEdit* endEdit() const { return m_end; }
    KW::CPushButton* button(int id) const;
    QButtonGroup* criteria() const { return m_criteria; }
    int drType() const { return m_drType; }
    int period() const { return m_period; }

    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override;

public slots:
    void reject() override;

private:
    void confirm();

    KW::CSoftCalendarLineEdit* m_start = nullptr;
    KW::CSoftCalendarLineEdit* m_end = nullptr;
    QButtonGroup* m_criteria = nullptr;
    KW::CPushButton* m_ok = nullptr;
    KW::CPushButton* m_close = nullptr;
    int m_drType = 0;
    int m_period = 86400;
};

} // namespace TC
