#pragma once

namespace TC {

// Decimals a chart shows for `value` given the instrument's tick decimals:
// the tick's own up to 9999.99; from 10000 on the number is shown in 万/亿
// units, where two decimals are what a trader reads. A value that is not a
// number keeps the tick's decimals (the formatter prints its invalid text).
int getGraphShowTick(double value, int digits);

} // namespace TC
