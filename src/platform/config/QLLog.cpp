#include "platform/config/QLLog.h"

#include <cstdio>
#include <mutex>

#include <log4cxx/fileappender.h>
#include <log4cxx/logger.h>
#include <log4cxx/patternlayout.h>
#include <log4cxx/propertyconfigurator.h>

#include <QDir>
#include <QFileInfo>

#include "platform/config/CAppConfig.h"

namespace qlog {

const char* const kStdLogger = "QLStdFile";
const char* const kFormulaLogger = "QLFormulaFile";

namespace {
std::mutex g_configMutex;
bool g_configured = false;
QString g_defaultFile;

log4cxx::LoggerPtr loggerFor(const char* name)
{
    return log4cxx::Logger::getLogger(name);
}

// The log file must never take the terminal down: on a full disk (or a file
// size limit) log4cxx throws from the write, which would end the process
// from whatever code logged, and would keep the logger's later appenders from
// seeing the line. Such a line is dropped; the next one tries again.
class CFailSafeFileAppender : public log4cxx::FileAppender
{
public:
    using log4cxx::FileAppender::FileAppender;

protected:
    void subAppend(const log4cxx::spi::LoggingEventPtr& event, log4cxx::helpers::Pool& p) override
    {
        try {
            log4cxx::FileAppender::subAppend(event, p);
        } catch (const std::exception&) {
        }
    }
};
} // namespace

std::string qualifiedFunction(const char* pretty)
{
    if (!pretty)
        return std::string();
    const std::string s(pretty);
    // The parameter list starts at the first '(' outside template brackets,
    // skipping the name of an operator() itself.
    int depth = 0;
    size_t paren = std::string::npos;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '<')
            ++depth;
        else if (c == '>' && depth > 0)
            --depth;
        else if (c == '(' && depth == 0) {
            if (i >= 8 && s.compare(i - 8, 8, "operator") == 0 && i + 1 < s.size() && s[i + 1] == ')') {
                ++i;
                continue;
            }
            paren = i;
            break;
        }
    }
    const size_t end = paren == std::string::npos ? s.size() : paren;
    // The name starts after the last space outside template brackets.
    depth = 0;
    size_t start = 0;
    for (size_t i = end; i-- > 0;) {
        const char c = s[i];
        if (c == '>')
            ++depth;
        else if (c == '<' && depth > 0)
            --depth;
        else if ((c == ' ' || c == '*' || c == '&') && depth == 0) {
            start = i + 1;
            break;
        }
    }
    return s.substr(start, end - start);
}

std::string prefix(const void* self, const char* pretty)
{
    char addr[40];
    std::snprintf(addr, sizeof addr, "%lld", static_cast<long long>(reinterpret_cast<intptr_t>(self)));
    return std::string("[") + addr + "] [" + qualifiedFunction(pretty) + "] ";
}

bool isEnabled(const char* logger, int level)
{
    return loggerFor(logger)->isEnabledFor(log4cxx::Level::toLevel(level));
}

void writeLine(const char* logger, int level, const std::string& line)
{
    try {
        loggerFor(logger)->forcedLog(log4cxx::Level::toLevel(level), line);
    } catch (const std::exception&) {
        // Appenders of a properties file may throw the same way; the line is lost.
    }
}

namespace detail {
std::string formatFailed(const char* fmt, const std::exception& e)
{
    return std::string("format error (") + e.what() + "): " + (fmt ? fmt : "");
}
} // namespace detail

void configureDefault()
{
    std::lock_guard<std::mutex> lock(g_configMutex);
    if (g_configured)
        return;
    g_configured = true;

    const QString props = qEnvironmentVariable("KLINEVIEW_LOG_CONFIG");
    if (!props.isEmpty() && QFileInfo(props).isReadable()) {
        log4cxx::PropertyConfigurator::configure(log4cxx::File(props.toStdString()));
        return;
    }

    const QString dir = TC::CAppConfig::userDataDir() + QStringLiteral("/logs");
    QDir().mkpath(dir);
    g_defaultFile = dir + QStringLiteral("/klineview.log");
    log4cxx::LayoutPtr layout(new log4cxx::PatternLayout("%d{yyyy-MM-dd HH:mm:ss,SSS} %-5p %c - %m%n"));
    log4cxx::AppenderPtr file(new CFailSafeFileAppender(layout, g_defaultFile.toStdString(), true));
    for (const char* name : {kStdLogger, kFormulaLogger}) {
        log4cxx::LoggerPtr l = loggerFor(name);
        l->setLevel(log4cxx::Level::getInfo());
        l->setAdditivity(false);
        l->addAppender(file);
    }
}

QString defaultLogFile()
{
    std::lock_guard<std::mutex> lock(g_configMutex);
    return g_defaultFile;
}

} // namespace qlog
