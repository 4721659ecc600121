#include "platform/config/ConfigCollector.h"

namespace qlservice {

namespace {
bool g_hideModel = false;
}

bool ConfigCollector::getHideModel()
{
    return g_hideModel;
}

void ConfigCollector::setHideModel(bool on)
{
    g_hideModel = on;
}

} // namespace qlservice
