#include "platform/indexui/GraphShowTick.h"

#include <algorithm>
#include <cmath>

namespace TC {

int getGraphShowTick(double value, int digits)
{
    digits = std::max(digits, 0);
    if (!std::isfinite(value) || std::fabs(value) < 10000.0)
        return digits;
    return std::min(digits, 2);
}

} // namespace TC
