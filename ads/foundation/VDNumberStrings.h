#pragma once

#include "platform/base/Value.h"

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

// A number the server sent, as a number or as the text of one (vd_doubleFromStrictString);
// nullopt for anything else, booleans and values that are not finite included. For the
// server's constants, which arrive and are stored as text.
std::optional<double> vd_numberFromValue(const base::Value& value);

// The same for the user default under the key.
std::optional<double> vd_numberFromUserDefaults(std::string_view key);
