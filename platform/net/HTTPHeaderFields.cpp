#include "platform/net/HTTPHeaderFields.h"

#include "platform/base/Strings.h"

#include <algorithm>
#include <cstring>

namespace net {

namespace {

bool isTokenCharacter(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return true;
    if (c >= 'A' && c <= 'Z')
        return true;
    if (c >= '0' && c <= '9')
        return true;
    return c != 0 && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

} // namespace

bool HTTPHeaderFields::namesEqual(std::string_view a, std::string_view b) {
    return base::equalsIgnoringASCIICase(a, b);
}

bool HTTPHeaderFields::isValidName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return isTokenCharacter(static_cast<unsigned char>(c));
    });
}

bool HTTPHeaderFields::isValidValue(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::optional<std::string> HTTPHeaderFields::value(std::string_view name) const {
    for (auto& [fieldName, fieldValue] : fields_)
        if (namesEqual(fieldName, name))
            return fieldValue;
    return std::nullopt;
}

std::vector<std::string> HTTPHeaderFields::values(std::string_view name) const {
    std::vector<std::string> result;
    for (auto& [fieldName, fieldValue] : fields_)
        if (namesEqual(fieldName, name))
            result.push_back(fieldValue);
    return result;
}

bool HTTPHeaderFields::set(std::string_view name, std::string_view value) {
    if (!isValidName(name) || !isValidValue(value))
        return false;
    auto first = std::find_if(fields_.begin(), fields_.end(),
                              [&](const Field& field) { return namesEqual(field.first, name); });
    if (first == fields_.end()) {
        fields_.emplace_back(std::string(name), std::string(value));
        return true;
    }
    first->second = std::string(value);
    fields_.erase(std::remove_if(std::next(first), fields_.end(),
                                 [&](const Field& field) { return namesEqual(field.first, name); }),
                  fields_.end());
    return true;
}

bool HTTPHeaderFields::addValue(std::string_view name, std::string_view value) {
    if (!isValidName(name) || !isValidValue(value))
        return false;
    for (auto& field : fields_) {
        if (namesEqual(field.first, name)) {
            field.second += ", ";
            field.second += value;
            return true;
        }
    }
    fields_.emplace_back(std::string(name), std::string(value));
    return true;
}

bool HTTPHeaderFields::append(std::string_view name, std::string_view value) {
    if (!isValidName(name) || !isValidValue(value))
        return false;
    fields_.emplace_back(std::string(name), std::string(value));
    return true;
}

void HTTPHeaderFields::remove(std::string_view name) {
    fields_.erase(std::remove_if(fields_.begin(), fields_.end(),
                                 [&](const Field& field) { return namesEqual(field.first, name); }),
                  fields_.end());
}

std::vector<HTTPHeaderFields::Field> HTTPHeaderFields::combined() const {
    std::vector<Field> result;
    for (auto& field : fields_) {
        auto existing = std::find_if(result.begin(), result.end(), [&](const Field& known) {
            return namesEqual(known.first, field.first);
        });
        if (existing == result.end()) {
            result.push_back(field);
        } else {
            existing->second += ", ";
            existing->second += field.second;
        }
    }
    return result;
}

} // namespace net
