#pragma once

#include <QtGlobal>

namespace KW {

// Base of everything that shows resource values: registers with the resource
// store for its whole life and is told when the theme, the scale or the fixed
// font changes. Overrides re-read their keys and repaint.
class CUiResourceChangeHandler
{
public:
    CUiResourceChangeHandler();
    virtual ~CUiResourceChangeHandler();

    CUiResourceChangeHandler(const CUiResourceChangeHandler&) = delete;
    CUiResourceChangeHandler& operator=(const CUiResourceChangeHandler&) = delete;

    virtual void themeChanged() {}
    virtual void scaleChanged() {}
    virtual void setFixFont() {}

private:
    quint64 m_resourceHandlerId = 0;
};

} // namespace KW
