#pragma once

namespace TC {

// Pixel row of `value` in a band whose top and bottom rows are given: `max`
// maps to `top`, `min` to `bottom`, linearly in between:
//     y = bottom - (value - min) * ((bottom - top) / (max - min)),
// truncated towards zero, the same rule the price axis and the crosshair use.
//
// Choices:
//  - A flat range (max == min) puts every value on the middle row
//    (top + bottom) / 2, so a constant series draws a line through the pane.
//  - Values outside [min, max] map outside the band (the painter clips); the
//    result is kept within 100000 rows of the band so it always fits an int.
//  - A value, max or min that is NaN, infinite or the "no value" sentinel
//    (the largest double, either sign) has no row: the result is NaN. Drawing
//    code skips such values before asking.
double dataToYAxis(double value, int top, int bottom, double max, double min);

} // namespace TC
