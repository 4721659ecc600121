#include "platform/indexui/DataToYAxis.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace TC {

namespace {
// Far enough outside any pane to be clipped, close enough for int and QPainter.
const double kMaxOvershoot = 100000.0;

bool isNumber(double v)
{
    return std::isfinite(v) && std::fabs(v) < DBL_MAX;
}
} // namespace

double dataToYAxis(double value, int top, int bottom, double max, double min)
{
    if (!isNumber(value) || !isNumber(max) || !isNumber(min))
        return std::numeric_limits<double>::quiet_NaN();
    if (max == min)
        return double((top + bottom) / 2);
    const double ratio = (double(bottom) - double(top)) / (max - min);
    double y = double(bottom) - (value - min) * ratio;
    if (!std::isfinite(y)) // a range so narrow that the ratio overflows
        y = value == min ? double(bottom) : ((value > min) == (max > min) ? -DBL_MAX : DBL_MAX);
    const double lo = double(top < bottom ? top : bottom) - kMaxOvershoot;
    const double hi = double(top < bottom ? bottom : top) + kMaxOvershoot;
    if (y < lo)
        y = lo;
    if (y > hi)
        y = hi;
    return std::trunc(y);
}

} // namespace TC
