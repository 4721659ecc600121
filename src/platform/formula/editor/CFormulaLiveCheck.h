#pragma once

#include <atomic>

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <QVector>

#include "platform/formula/catalog/CFormulaParamDef.h"
#include "platform/formula/editor/CFormulaCheckResult.h"

namespace TC {

// The editor's check as the user types: after a pause of delay() ms without a
// new schedule() the text is compiled and run once over a small fixed bar set
// (kCheckBars bars) on a worker thread; checked() then reports the first error
// or the outputs, on the GUI thread. Only the answer to the newest schedule()
// is reported: older ones still queued are skipped, late ones dropped.
//
// check() is the same work done synchronously. A text longer than
// kMaxSourceChars or with more than kMaxParams parameters is refused with a
// message instead of being compiled, so no input can keep the check busy;
// nesting depth is bounded by the parser.
class CFormulaLiveCheck : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultDelayMs = 300;
    static constexpr int kMaxSourceChars = 64 * 1024;
    static constexpr int kMaxParams = 16;
    static constexpr int kCheckBars = 64;

    explicit CFormulaLiveCheck(QObject* parent = nullptr);
    ~CFormulaLiveCheck() override;

    void setDelay(int ms);
    int delay() const;

    // Starts (again) the pause after which this text is checked.
    void schedule(const QString& source, const QVector<CFormulaParamDef>& params);
    // Drops a pending check and any result still on its way.
    void cancel();
    // True from schedule() until its result has been reported.
    bool isPending() const { return m_pending; }

    static CFormulaCheckResult check(const QString& source, const QVector<CFormulaParamDef>& params);

signals:
    void checked(const TC::CFormulaCheckResult& result);

private:
    void startCheck();
    void deliver(const CFormulaCheckResult& result);

    QTimer m_timer;
    QThreadPool m_pool;
    QString m_source;
    QVector<CFormulaParamDef> m_params;
    std::atomic<int> m_generation{0};
    bool m_pending = false;
};

} // namespace TC
