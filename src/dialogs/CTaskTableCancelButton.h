#pragma once

#include "kline/IndexKLineViewGlobal.h"
#include "platform/framework/CPushButton.h"

namespace TC {

// "撤销" in the status cell of a running or paused task. It asks first and
// then has the linkage service cancel the task: a is the task id, b the
// session it runs under (the service's cancel key is "b-a"). Both start at
// -1. After a cancel the service accepted the button is disabled.
class INDEXKLINEVIEW_EXPORT CTaskTableCancelButton : public KW::CPushButton
{
    Q_OBJECT

public:
    explicit CTaskTableCancelButton(QWidget* parent = nullptr);

    void setValue(int a, int b);
    int valueA() const { return m_a; }
    int valueB() const { return m_b; }

public slots:
    void slotCancelTask();

private:
    int m_a = -1;
    int m_b = -1;
};

} // namespace TC
