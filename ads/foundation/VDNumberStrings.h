#pragma once

#include <optional>
#include <string>
#include <string_view>

// The value printed with six decimals, then without trailing zeros after the point, and
// without the point when nothing is left after it: 1.5 gives "1.5", 2.0 gives "2", 10.0 gives
// "10", 0.0 gives "0".
std::string vd_shortStringWithCGFloat(double value);

// The text read as a number only when the number is all of it (spaces and tabs around it
// aside): "12", "-5", "+2.5", "1e3". nullopt for "", "12abc", "0x10", "nan" and infinities,
// which the platform's lenient readers would take as 12, 0 or a non-finite value. For numbers
// that arrive as text from servers.
std::optional<double> vd_doubleFromStrictString(std::string_view text);
