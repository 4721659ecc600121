#include "platform/market/CStageQuoteJob.h"

#include <QMetaObject>
#include <QObject>

namespace TC {

CStageQuoteJob::CStageQuoteJob(const CMarketStore* store, CStageQuoteCalculator::Request request,
                               QObject* context, Progress progress, Finished finished)
    : m_store(store), m_request(std::move(request)), m_context(context), m_progress(std::move(progress)),
      m_finished(std::move(finished))
{
}

CStageQuoteJob::~CStageQuoteJob()
{
    cancel();
    if (m_worker.joinable())
        m_worker.join();
}

void CStageQuoteJob::start()
{
    if (m_started || !m_store || !m_context)
        return;
    m_started = true;
    // The worker holds copies and the shared state only; the calls it posts
    // run on the context's thread and check the state there.
    std::shared_ptr<State> state = m_state;
    QObject* context = m_context;
    Progress progress = m_progress;
    Finished finished = m_finished;
    const CMarketStore* store = m_store;
    CStageQuoteCalculator::Request request = m_request;
    m_worker = std::thread([=] {
        QVector<CStageQuoteCalculator::Row> rows;
        const bool complete = CStageQuoteCalculator::compute(*store, request, rows, [&](int done, int total) {
            if (state->cancelled)
                return false;
            if (progress)
                QMetaObject::invokeMethod(
                    context,
                    [state, progress, done, total] {
                        if (!state->cancelled)
                            progress(done, total);
                    },
                    Qt::QueuedConnection);
            return true;
        });
        if (!complete || state->cancelled)
            return;
        QMetaObject::invokeMethod(
            context,
            [state, finished, rows] {
                if (state->cancelled || state->delivered)
                    return;
                state->delivered = true;
                if (finished)
                    finished(rows);
            },
            Qt::QueuedConnection);
    });
}

void CStageQuoteJob::cancel()
{
    m_state->cancelled = true;
}

} // namespace TC
