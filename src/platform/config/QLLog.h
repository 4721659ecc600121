#pragma once

#include <string>
#include <type_traits>
#include <utility>

#include <boost/format.hpp>

#include <QByteArray>
#include <QString>

// The terminal's logging helper. Every line starts with the writer's address
// (printed with %lld) and its qualified function name, each in brackets and
// followed by one space, and goes on with a boost::format message:
//   [140234] [TC::CKLineData::request] mainID:5000, requstID:...
namespace qlog {

constexpr int LevelInfo = 20000;
constexpr int LevelWarn = 30000;
constexpr int LevelError = 40000;

extern const char* const kStdLogger;     // "QLStdFile"
extern const char* const kFormulaLogger; // "QLFormulaFile"

// "void TC::CKLineData::request(int, bool)" -> "TC::CKLineData::request".
std::string qualifiedFunction(const char* prettyFunction);
std::string prefix(const void* self, const char* prettyFunction);

bool isEnabled(const char* logger, int level);
void writeLine(const char* logger, int level, const std::string& line);

// Configures both loggers once per process: the properties file named by
// KLINEVIEW_LOG_CONFIG when it is set and readable, otherwise a file appender
// writing <user data folder>/logs/klineview.log. Safe to call repeatedly.
void configureDefault();
// The file the default configuration writes to ("" while not configured by it).
QString defaultLogFile();

namespace detail {
inline std::string arg(const QString& s) { return s.toStdString(); }
inline std::string arg(const QByteArray& s) { return s.toStdString(); }
template <typename T>
inline const T& arg(const T& v) { return v; }

inline void feed(boost::format&) {}
template <typename A, typename... R>
inline void feed(boost::format& f, const A& a, const R&... rest)
{
    f % arg(a);
    feed(f, rest...);
}
std::string formatFailed(const char* fmt, const std::exception& e);
} // namespace detail

template <typename... Args>
std::string format(const char* fmt, const Args&... args)
{
    try {
        boost::format f(fmt);
        detail::feed(f, args...);
        return f.str();
    } catch (const std::exception& e) {
        // A wrong argument count must never take the terminal down.
        return detail::formatFailed(fmt, e);
    }
}

template <typename... Args>
void log(const char* logger, int level, const void* self, const char* pretty, const char* fmt,
         const Args&... args)
{
    if (!isEnabled(logger, level))
        return;
    writeLine(logger, level, prefix(self, pretty) + format(fmt, args...));
}

} // namespace qlog

#define QLLOG_INFO(logger, ...) ::qlog::log(logger, ::qlog::LevelInfo, this, __PRETTY_FUNCTION__, __VA_ARGS__)
#define QLLOG_WARN(logger, ...) ::qlog::log(logger, ::qlog::LevelWarn, this, __PRETTY_FUNCTION__, __VA_ARGS__)
#define QLLOG_ERROR(logger, ...) ::qlog::log(logger, ::qlog::LevelError, this, __PRETTY_FUNCTION__, __VA_ARGS__)
// For free and static functions: the address printed is 0.
#define QLLOG_INFO_S(logger, ...) ::qlog::log(logger, ::qlog::LevelInfo, nullptr, __PRETTY_FUNCTION__, __VA_ARGS__)
#define QLLOG_WARN_S(logger, ...) ::qlog::log(logger, ::qlog::LevelWarn, nullptr, __PRETTY_FUNCTION__, __VA_ARGS__)
#define QLLOG_ERROR_S(logger, ...) ::qlog::log(logger, ::qlog::LevelError, nullptr, __PRETTY_FUNCTION__, __VA_ARGS__)
