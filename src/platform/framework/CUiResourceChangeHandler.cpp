#include "platform/framework/CUiResourceChangeHandler.h"

#include "platform/framework/CUiResource.h"

namespace KW {

CUiResourceChangeHandler::CUiResourceChangeHandler()
{
    m_resourceHandlerId = CUiResource::instance()->registerHandler(this);
}

CUiResourceChangeHandler::~CUiResourceChangeHandler()
{
    // Never create the store just to leave it; it may already be released.
    if (CUiResource* res = utils::CSingletonT<CUiResource>::s_pInstance.load(std::memory_order_acquire))
        res->unregisterHandler(m_resourceHandlerId);
}

} // namespace KW
