#pragma once

#include <string>

// The value printed with six decimals, then without trailing zeros after the point, and
// without the point when nothing is left after it: 1.5 gives "1.5", 2.0 gives "2", 10.0 gives
// "10", 0.0 gives "0".
std::string vd_shortStringWithCGFloat(double value);
