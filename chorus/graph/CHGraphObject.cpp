#include "chorus/graph/CHGraphObject.h"

const base::Value& CHGraphObject::objectForKey(std::string_view key) const {
    static const base::Value none;
    auto found = fields_.find(std::string(key));
    return found == fields_.end() ? none : found->second;
}

std::string CHGraphObject::id() const {
    const base::Value& value = objectForKey("id");
    if (const auto* text = value.string())
        return *text;
    // Identifiers are whole numbers; a fraction or a flag is no identifier.
    if (value.type() == base::Value::Type::Integer || value.type() == base::Value::Type::Unsigned)
        return value.stringValue().value_or("");
    return {};
}

std::string CHGraphObject::name() const {
    const auto* text = objectForKey("name").string();
    return text ? *text : std::string();
}

std::vector<CHGraphObject> CHGraphObject::usersFromListResult(const base::Value& result) {
    std::vector<CHGraphObject> users;
    const auto* entries = result["data"].array();
    if (!entries)
        return users;
    for (const auto& entry : *entries) {
        const auto* fields = entry.dictionary();
        if (!fields)
            continue;
        CHGraphObject user(*fields);
        if (!user.id().empty())
            users.push_back(std::move(user));
    }
    return users;
}
