#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace base {

// A base-10 number: mantissa × 10^exponent. Kept apart from binary numbers because counters
// that travel to servers must print exactly ("3", not "3.0000000001").
class Decimal {
public:
    constexpr Decimal() = default;
    constexpr Decimal(std::int64_t mantissa, int exponent = 0)
        : mantissa_(mantissa)
        , exponent_(exponent) {}
    // (mantissa, exponent, negative) as the platform's initialiser takes it.
    static Decimal make(std::uint64_t mantissa, int exponent, bool negative);
    static std::optional<Decimal> parse(std::string_view text);

    constexpr std::int64_t mantissa() const { return mantissa_; }
    constexpr int exponent() const { return exponent_; }

    Decimal operator+(const Decimal& other) const;
    Decimal operator-() const;

    double toDouble() const;
    std::int64_t toInt64() const; // truncated toward zero
    std::string toString() const; // plain notation: "12", "-0.5", "1200"

    bool operator==(const Decimal& other) const;
    std::partial_ordering operator<=>(const Decimal& other) const;

private:
    std::int64_t mantissa_ = 0;
    int exponent_ = 0;
};

} // namespace base
