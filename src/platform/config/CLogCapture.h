#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qlog {

// Captures the lines written to one logger while it lives, so tests can assert
// on log output. Lines are the rendered messages (prefix included).
class CLogCapture
{
public:
    struct Line {
        int level;
        std::string text;
    };

    explicit CLogCapture(const char* logger);
    ~CLogCapture();
    CLogCapture(const CLogCapture&) = delete;
    CLogCapture& operator=(const CLogCapture&) = delete;

    std::vector<Line> lines() const;
    bool contains(const std::string& fragment) const;
    void clear();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace qlog
