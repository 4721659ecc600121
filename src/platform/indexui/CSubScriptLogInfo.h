#pragma once

#include <deque>
#include <memory>
#include <mutex>

#include <QString>
#include <QStringList>

namespace TC {

// A subscriber to the log output of one running formula (a script's print
// lines). The chart records which request ids belong to the formula as it
// requests it (subscribe), and the formula service hands every log line with
// its request id to appendLog; lines of ids the subscriber does not follow
// are dropped.
//
// Bounds: the newest 1000 lines and the newest 64 request ids are kept (a
// formula gets a fresh id on every re-request, so old ids only go stale).
// A line holding line breaks is kept as several lines.
//
// Thread-safe: log lines may arrive on the service's threads.
class CSubScriptLogInfo
{
public:
    static constexpr int kMaxLines = 1000;
    static constexpr int kMaxRequestIds = 64;

    explicit CSubScriptLogInfo(const QString& formula);

    CSubScriptLogInfo(const CSubScriptLogInfo&) = delete;
    CSubScriptLogInfo& operator=(const CSubScriptLogInfo&) = delete;

    QString getFormula() const { return m_formula; }

    // Makes `s` follow `reqId`. Ignored for a null subscriber, an empty id,
    // or a formula other than the subscriber's (names compare without case).
    static void subscribe(const std::shared_ptr<CSubScriptLogInfo>& s, const QString& formula,
                          const QString& reqId);

    QStringList requestIds() const;
    bool follows(const QString& reqId) const;

    void appendLog(const QString& reqId, const QString& line);
    QStringList lines() const;
    void clearLines();

private:
    void addRequestId(const QString& reqId);

    const QString m_formula;
    mutable std::mutex m_mutex;
    QStringList m_requestIds; // oldest first
    std::deque<QString> m_lines;
};

} // namespace TC
