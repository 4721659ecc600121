#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include <QPointer>

#include "platform/market/CStageQuoteCalculator.h"

class QObject;

namespace TC {

// One CStageQuoteCalculator run on a worker thread. Progress and the result
// reach the GUI thread as queued calls on `context` (the window showing
// them), so the GUI thread never waits on the computation. After cancel()
// no further progress and no result arrive, even when the worker had
// already finished. Destroying the job cancels it and waits for the worker,
// which stops after the instrument it is on; the store must outlive the job.
class CStageQuoteJob
{
public:
    using Progress = std::function<void(int, int)>;
    using Finished = std::function<void(const QVector<CStageQuoteCalculator::Row>&)>;

    CStageQuoteJob(const CMarketStore* store, CStageQuoteCalculator::Request request, QObject* context,
                   Progress progress, Finished finished);
    ~CStageQuoteJob();
    CStageQuoteJob(const CStageQuoteJob&) = delete;
    CStageQuoteJob& operator=(const CStageQuoteJob&) = delete;

    // Starts the worker once; later calls do nothing.
    void start();
    void cancel();
    bool isCancelled() const { return m_state->cancelled; }
    // True from start() until the result was handed over or the job cancelled.
    bool isRunning() const { return m_started && !m_state->cancelled && !m_state->delivered; }

private:
    struct State {
        std::atomic<bool> cancelled{false};
        bool delivered = false; // GUI thread only
    };
    const CMarketStore* m_store;
    CStageQuoteCalculator::Request m_request;
    QPointer<QObject> m_context;
    Progress m_progress;
    Finished m_finished;
    std::shared_ptr<State> m_state = std::make_shared<State>();
    std::thread m_worker;
    bool m_started = false;
};

} // namespace TC
