#include "platform/indexui/CSubScriptLogInfo.h"

#include <QRegularExpression>

#include "platform/config/QLLog.h"

namespace TC {

using Lock = std::lock_guard<std::mutex>;

CSubScriptLogInfo::CSubScriptLogInfo(const QString& formula) : m_formula(formula.trimmed())
{
}

void CSubScriptLogInfo::subscribe(const std::shared_ptr<CSubScriptLogInfo>& s, const QString& formula,
                                  const QString& reqId)
{
    if (!s || reqId.isEmpty())
        return;
    if (s->getFormula().compare(formula.trimmed(), Qt::CaseInsensitive) != 0) {
        QLLOG_WARN_S(qlog::kStdLogger, "subscriber of %1% asked to follow %2%, requstID:%3%", s->getFormula(),
                     formula, reqId);
        return;
    }
    s->addRequestId(reqId);
}

void CSubScriptLogInfo::addRequestId(const QString& reqId)
{
    Lock lock(m_mutex);
    if (m_requestIds.contains(reqId))
        return;
    m_requestIds.append(reqId);
    while (m_requestIds.size() > kMaxRequestIds)
        m_requestIds.removeFirst();
}

QStringList CSubScriptLogInfo::requestIds() const
{
    Lock lock(m_mutex);
    return m_requestIds;
}

bool CSubScriptLogInfo::follows(const QString& reqId) const
{
    Lock lock(m_mutex);
    return m_requestIds.contains(reqId);
}

void CSubScriptLogInfo::appendLog(const QString& reqId, const QString& line)
{
    static const QRegularExpression kBreak(QStringLiteral("\r\n|\n|\r"));
    // One trailing break ends the line rather than opening an empty one.
    QString text = line;
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    const QStringList parts = text.split(kBreak);
    Lock lock(m_mutex);
    if (!m_requestIds.contains(reqId))
        return;
    for (const QString& part : parts)
        m_lines.push_back(part);
    while (m_lines.size() > size_t(kMaxLines))
        m_lines.pop_front();
}

QStringList CSubScriptLogInfo::lines() const
{
    Lock lock(m_mutex);
    QStringList out;
    out.reserve(int(m_lines.size()));
    for (const QString& l : m_lines)
        out.append(l);
    return out;
}

void CSubScriptLogInfo::clearLines()
{
    Lock lock(m_mutex);
    m_lines.clear();
}

} // namespace TC
