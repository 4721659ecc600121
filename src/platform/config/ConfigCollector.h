#pragma once

namespace qlservice {

// Terminal-wide switches collected from the deployment's configuration.
// GUI thread only.
class ConfigCollector
{
public:
    // Model formulas (group models, strategies, Python) are hidden from the
    // menus and from formula export.
    static bool getHideModel();
    static void setHideModel(bool on);
};

} // namespace qlservice
