#pragma once

#include <utility>

#include "platform/framework/CEventDeliverer.h"
#include "platform/framework/CUiResourceChangeHandler.h"

namespace KW {

// Any QWidget subclass T made an event endpoint and a resource-change handler.
// Constructor arguments go to T unchanged. The upstream deliverer is set by
// whoever builds the widget tree (it does not follow the Qt parent).
template <typename T> class CEventWidgetT : public T, public CEventDeliverer, public CUiResourceChangeHandler
{
public:
    template <typename... Args> explicit CEventWidgetT(Args&&... args) : T(std::forward<Args>(args)...) {}
};

} // namespace KW
