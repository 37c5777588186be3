#include "platform/store/AttributeValue.h"

#include "platform/store/SQLiteStatement.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace store {

namespace {

using Type = base::Value::Type;

bool isIntegral(const base::Value& value) {
    return value.type() == Type::Bool || value.type() == Type::Integer ||
           (value.type() == Type::Unsigned &&
            value.unsignedValue() <= std::uint64_t(std::numeric_limits<std::int64_t>::max()));
}

// A whole number within the 64-bit range, as an integer.
std::optional<std::int64_t> exactInteger(const base::Value& value) {
    if (isIntegral(value))
        return value.integerValue();
    if (value.type() == Type::Double || value.type() == Type::Decimal) {
        double number = value.doubleValue();
        // 2^63 is exactly representable; anything at or beyond it does not fit.
        if (std::isfinite(number) && std::trunc(number) == number &&
            number >= -9.2233720368547758e18 && number < 9.2233720368547758e18)
            return std::int64_t(number);
    }
    return std::nullopt;
}

} // namespace

bool makeAttributeValue(AttributeType type, base::Value& value) {
    if (value.isNull())
        return true;
    switch (type) {
    case AttributeType::String:
        return value.isString();
    case AttributeType::Integer:
        if (auto integer = exactInteger(value)) {
            value = base::Value(*integer);
            return true;
        }
        return false;
    case AttributeType::Double:
        // SQLite keeps NaN as NULL, so it would not come back as it went in.
        if (value.isNumber() && !std::isnan(value.doubleValue())) {
            value = base::Value(value.doubleValue());
            return true;
        }
        return false;
    case AttributeType::Bool:
        if (value.isBool())
            return true;
        if (auto integer = exactInteger(value); integer && (*integer == 0 || *integer == 1)) {
            value = base::Value(*integer == 1);
            return true;
        }
        return false;
    case AttributeType::Date:
        return value.isDate() && !std::isnan(value.date()->timeIntervalSince1970());
    case AttributeType::Data:
        return value.isData();
    }
    return false;
}

bool isComparable(AttributeType type, const base::Value& value) {
    if (value.isNull())
        return true;
    switch (type) {
    case AttributeType::String:
        return value.isString();
    case AttributeType::Integer:
    case AttributeType::Double:
    case AttributeType::Bool:
        return value.isNumber();
    case AttributeType::Date:
        return value.isDate();
    case AttributeType::Data:
        return value.isData();
    }
    return false;
}

base::Value columnValue(AttributeType type, const SQLiteStatement& statement, int column) {
    if (type == AttributeType::String) {
        // Text reads as no text for NULL, so it needs no separate test.
        auto text = statement.textIfAny(column);
        return text ? base::Value(std::move(*text)) : base::Value();
    }
    if (statement.isNull(column))
        return base::Value();
    switch (type) {
    case AttributeType::String:
        return base::Value(statement.text(column));
    case AttributeType::Integer:
        return base::Value(statement.int64(column));
    case AttributeType::Double:
        return base::Value(statement.real(column));
    case AttributeType::Bool:
        return base::Value(statement.int64(column) != 0);
    case AttributeType::Date:
        return base::Value(base::Date(statement.real(column)));
    case AttributeType::Data:
        return base::Value(statement.blob(column));
    }
    return base::Value();
}

int compareAttributeValues(const base::Value& left, const base::Value& right) {
    auto rank = [](const base::Value& value) {
        if (value.isNull())
            return 0;
        if (value.isNumber() || value.isDate())
            return 1;
        if (value.isString())
            return 2;
        return 3;
    };
    int leftRank = rank(left);
    int rightRank = rank(right);
    if (leftRank != rightRank)
        return leftRank < rightRank ? -1 : 1;
    switch (leftRank) {
    case 1: {
        if (isIntegral(left) && isIntegral(right)) {
            std::int64_t a = left.integerValue();
            std::int64_t b = right.integerValue();
            return a < b ? -1 : a > b ? 1 : 0;
        }
        auto number = [](const base::Value& value) {
            return value.isDate() ? value.date()->timeIntervalSince1970() : value.doubleValue();
        };
        double a = number(left);
        double b = number(right);
        return a < b ? -1 : a > b ? 1 : 0;
    }
    case 2:
        return left.string()->compare(*right.string()) < 0   ? -1
               : left.string()->compare(*right.string()) > 0 ? 1
                                                             : 0;
    case 3: {
        const base::Data* a = left.data();
        const base::Data* b = right.data();
        if (!a || !b)
            return 0;
        auto order = *a <=> *b;
        return order < 0 ? -1 : order > 0 ? 1 : 0;
    }
    default:
        return 0;
    }
}

} // namespace store
