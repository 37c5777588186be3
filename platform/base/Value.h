#pragma once

#include "platform/base/Data.h"
#include "platform/base/Date.h"
#include "platform/base/Decimal.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace base {

// A dynamic value as property lists, JSON and user defaults carry it. Numbers keep their kind
// (bool, signed, unsigned, double, decimal) because callers tell them apart; arrays and
// dictionaries carry a mutability flag because some callers only change mutable containers.
class Value {
public:
    enum class Type {
        Null,
        Bool,
        Integer,
        Unsigned,
        Double,
        Decimal,
        String,
        Data,
        Date,
        Array,
        Dictionary
    };
    using Array = std::vector<Value>;
    using Dictionary = std::map<std::string, Value>;

    Value() = default;
    Value(std::nullptr_t) {}
    Value(bool value)
        : storage_(value) {}
    Value(int value)
        : storage_(std::int64_t(value)) {}
    Value(long value)
        : storage_(std::int64_t(value)) {}
    Value(long long value)
        : storage_(std::int64_t(value)) {}
    Value(unsigned value)
        : storage_(std::uint64_t(value)) {}
    Value(unsigned long value)
        : storage_(std::uint64_t(value)) {}
    Value(unsigned long long value)
        : storage_(std::uint64_t(value)) {}
    Value(double value)
        : storage_(value) {}
    Value(base::Decimal value)
        : storage_(value) {}
    Value(std::string value)
        : storage_(std::move(value)) {}
    Value(std::string_view value)
        : storage_(std::string(value)) {}
    Value(const char* value)
        : storage_(std::string(value)) {}
    Value(base::Data value)
        : storage_(std::move(value)) {}
    Value(base::Date value)
        : storage_(value) {}
    Value(Array value)
        : storage_(std::move(value)) {}
    Value(Dictionary value)
        : storage_(std::move(value)) {}

    static Value mutableArray(Array items = {});
    static Value mutableDictionary(Dictionary entries = {});

    Type type() const { return Type(storage_.index()); }
    bool isNull() const { return type() == Type::Null; }
    bool isBool() const { return type() == Type::Bool; }
    // Any numeric kind, booleans included (they are numbers on the platform).
    bool isNumber() const;
    bool isDecimal() const { return type() == Type::Decimal; }
    bool isString() const { return type() == Type::String; }
    bool isData() const { return type() == Type::Data; }
    bool isDate() const { return type() == Type::Date; }
    bool isArray() const { return type() == Type::Array; }
    bool isDictionary() const { return type() == Type::Dictionary; }
    // Only arrays and dictionaries can be mutable; a copy keeps the flag.
    bool isMutable() const { return mutable_; }
    Value mutableCopy() const;
    Value immutableCopy() const;

    // Typed access: null when the value is of another kind.
    const std::string* string() const { return std::get_if<std::string>(&storage_); }
    const base::Data* data() const { return std::get_if<base::Data>(&storage_); }
    const base::Date* date() const { return std::get_if<base::Date>(&storage_); }
    const base::Decimal* decimal() const { return std::get_if<base::Decimal>(&storage_); }
    const Array* array() const { return std::get_if<Array>(&storage_); }
    Array* array() { return std::get_if<Array>(&storage_); }
    const Dictionary* dictionary() const { return std::get_if<Dictionary>(&storage_); }
    Dictionary* dictionary() { return std::get_if<Dictionary>(&storage_); }

    // Conversions as the platform's number and string readers do them. A number converts (a
    // double truncates toward zero and saturates; NaN reads 0; signed and unsigned wrap into
    // each other as a cast does). A string is read for its
    // leading number after whitespace ("12abc" → 12, "3.7" → 3 or 3.7, "abc" → 0); out-of-range
    // text saturates. A string is true when, after whitespace, a sign and leading zeros, it
    // starts with Y, y, T, t or a digit 1-9 ("YES", "true"). Other kinds read 0 / false.
    bool boolValue() const;
    std::int64_t integerValue() const;
    std::uint64_t unsignedValue() const;
    double doubleValue() const;
    // The number as the platform's description prints it ("12", "1.5", "1" for YES), or the
    // string itself; nullopt for other kinds. A double prints the shortest digits that read
    // back to it (at most 17 significant), in exponent form from 1e17 up or below 1e-4.
    std::optional<std::string> stringValue() const;

    // Dictionary lookup; a shared null Value when absent or when this is not a dictionary.
    const Value& operator[](std::string_view key) const;
    // Array element; a shared null Value when out of range or when this is not an array.
    const Value& operator[](std::size_t index) const;
    std::size_t count() const; // items of an array or dictionary, else 0

    // A readable, deterministic rendering for logs and messages.
    std::string description() const;

    // Same kind and same value, except that numbers of different kinds (bool included) are
    // equal when their values are: 1 == 1u == 1.0 == true == Decimal(1); a double matches the
    // decimal it prints as. Mutability does not count.
    bool operator==(const Value& other) const;
    // Equality as ==, except that a NaN (number or date) equals a NaN: an equivalence, for
    // telling whether a value came back from storage unchanged.
    bool isIdenticalTo(const Value& other) const;

private:
    std::variant<std::monostate, bool, std::int64_t, std::uint64_t, double, base::Decimal,
                 std::string, base::Data, base::Date, Array, Dictionary>
        storage_;
    bool mutable_ = false;
};

} // namespace base
