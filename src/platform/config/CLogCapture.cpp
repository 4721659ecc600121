#include "platform/config/CLogCapture.h"

#include <mutex>

#include <log4cxx/appenderskeleton.h>
#include <log4cxx/logger.h>
#include <log4cxx/spi/loggingevent.h>

namespace qlog {

namespace {
class CaptureAppender : public log4cxx::AppenderSkeleton
{
public:
    void append(const log4cxx::spi::LoggingEventPtr& event, log4cxx::helpers::Pool&) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back({event->getLevel()->toInt(), event->getRenderedMessage()});
    }
    void close() override {}
    bool requiresLayout() const override { return false; }

    mutable std::mutex mutex;
    std::vector<CLogCapture::Line> lines;
};
} // namespace

struct CLogCapture::Impl {
    log4cxx::LoggerPtr logger;
    std::shared_ptr<CaptureAppender> appender;
    log4cxx::LevelPtr oldLevel;
};

CLogCapture::CLogCapture(const char* logger) : m_impl(new Impl)
{
    m_impl->logger = log4cxx::Logger::getLogger(logger);
    m_impl->oldLevel = m_impl->logger->getLevel();
    if (!m_impl->logger->isEnabledFor(log4cxx::Level::getInfo()))
        m_impl->logger->setLevel(log4cxx::Level::getInfo());
    m_impl->appender = std::make_shared<CaptureAppender>();
    m_impl->logger->addAppender(m_impl->appender);
}

CLogCapture::~CLogCapture()
{
    m_impl->logger->removeAppender(m_impl->appender);
    m_impl->logger->setLevel(m_impl->oldLevel);
}

std::vector<CLogCapture::Line> CLogCapture::lines() const
{
    std::lock_guard<std::mutex> lock(m_impl->appender->mutex);
    return m_impl->appender->lines;
}

bool CLogCapture::contains(const std::string& fragment) const
{
    for (const Line& l : lines())
        if (l.text.find(fragment) != std::string::npos)
            return true;
    return false;
}

void CLogCapture::clear()
{
    std::lock_guard<std::mutex> lock(m_impl->appender->mutex);
    m_impl->appender->lines.clear();
}

} // namespace qlog
