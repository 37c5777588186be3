#include "ads/foundation/VDObjectValidation.h"

#include "ads/foundation/VDNumberStrings.h"

const base::Value* vd_objectForKeyIfIsKindOfClass(const base::Value::Dictionary& dictionary,
                                                  std::string_view key, VDValueClass kind) {
    auto found = dictionary.find(std::string(key));
    if (found == dictionary.end())
        return nullptr;
    const base::Value& value = found->second;
    bool matches = false;
    switch (kind) {
    case VDValueClass::String:
        matches = value.isString();
        break;
    case VDValueClass::Number:
        matches = value.isNumber();
        break;
    case VDValueClass::Data:
        matches = value.isData();
        break;
    case VDValueClass::Date:
        matches = value.isDate();
        break;
    case VDValueClass::Array:
        matches = value.isArray();
        break;
    case VDValueClass::Dictionary:
        matches = value.isDictionary();
        break;
    }
    return matches ? &value : nullptr;
}

void vd_setIfNotNilObjectForKey(base::Value::Dictionary& dictionary, base::Value object,
                                std::string key) {
    if (!object.isNull())
        dictionary[std::move(key)] = std::move(object);
}

void vd_setStringForBoolValueForKey(base::Value::Dictionary& dictionary, bool value,
                                    std::string key) {
    dictionary[std::move(key)] = base::Value(value ? "1" : "0");
}

void vd_setStringIfTrueForBoolValueForKey(base::Value::Dictionary& dictionary, bool value,
                                          std::string key) {
    if (value)
        dictionary[std::move(key)] = base::Value("1");
    else
        dictionary.erase(key);
}

void vd_setStringForCGFloatForKey(base::Value::Dictionary& dictionary, double value,
                                  std::string key) {
    dictionary[std::move(key)] = base::Value(vd_shortStringWithCGFloat(value));
}
