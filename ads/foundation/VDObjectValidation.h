#pragma once

#include "platform/base/Value.h"

#include <string>
#include <string_view>

// The kinds of value a dictionary lookup can insist on. Number covers every numeric kind,
// booleans included.
enum class VDValueClass { String, Number, Data, Date, Array, Dictionary };

// The value under the key when it is of that kind, else null.
const base::Value* vd_objectForKeyIfIsKindOfClass(const base::Value::Dictionary& dictionary,
                                                  std::string_view key, VDValueClass kind);

// Sets the object unless it is null (nil).
void vd_setIfNotNilObjectForKey(base::Value::Dictionary& dictionary, base::Value object,
                                std::string key);
// Sets "1" for true and "0" for false.
void vd_setStringForBoolValueForKey(base::Value::Dictionary& dictionary, bool value,
                                    std::string key);
// Sets "1" for true; removes the key for false.
void vd_setStringIfTrueForBoolValueForKey(base::Value::Dictionary& dictionary, bool value,
                                          std::string key);
// Sets the short decimal form of the value (vd_shortStringWithCGFloat).
void vd_setStringForCGFloatForKey(base::Value::Dictionary& dictionary, double value,
                                  std::string key);
