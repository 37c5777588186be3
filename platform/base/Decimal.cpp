#include "platform/base/Decimal.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

namespace base {

namespace {

using Wide = __int128;

constexpr std::int64_t maxMantissa = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t minMantissa = std::numeric_limits<std::int64_t>::min();
// The exponent range accepted from text, as the platform's decimal numbers have it.
constexpr int maxParsedExponent = 127;
constexpr int minParsedExponent = -128;
// Beyond this many zeros plain notation stops being useful; such values print as "<digits>E<n>".
constexpr std::int64_t maxPlainZeros = 400;

Wide wideAbs(Wide value) {
    return value < 0 ? -value : value;
}

bool fitsMantissa(Wide value) {
    return value >= minMantissa && value <= maxMantissa;
}

Wide powerOfTen(int n) {
    Wide result = 1;
    for (int i = 0; i < n; ++i)
        result *= 10;
    return result;
}

// Divides by ten, rounding halves away from zero.
Wide divideByTenRounded(Wide value) {
    Wide quotient = value / 10;
    Wide remainder = value % 10;
    if (remainder >= 5)
        ++quotient;
    else if (remainder <= -5)
        --quotient;
    return quotient;
}

int clampExponent(std::int64_t exponent) {
    if (exponent > INT_MAX)
        return INT_MAX;
    if (exponent < INT_MIN)
        return INT_MIN;
    return int(exponent);
}

// Brings a wide mantissa back into 64 bits by dropping (rounded) low digits.
Decimal narrow(Wide mantissa, std::int64_t exponent) {
    while (!fitsMantissa(mantissa)) {
        mantissa = divideByTenRounded(mantissa);
        ++exponent;
    }
    return Decimal(std::int64_t(mantissa), clampExponent(exponent));
}

// Removes trailing zeros from the mantissa (and low digits that do not fit in 64 bits, rounded);
// zero becomes (0, 0).
void compactInPlace(Wide& mantissa, std::int64_t& exponent) {
    if (mantissa == 0) {
        exponent = 0;
        return;
    }
    while (!fitsMantissa(mantissa)) {
        mantissa = divideByTenRounded(mantissa);
        ++exponent;
    }
    while (mantissa % 10 == 0) {
        mantissa /= 10;
        ++exponent;
    }
}

Decimal compact(Wide mantissa, std::int64_t exponent) {
    compactInPlace(mantissa, exponent);
    if (exponent < INT_MIN)
        return Decimal();
    return Decimal(std::int64_t(mantissa), clampExponent(exponent));
}

int digitCount(std::uint64_t value) {
    int count = 1;
    while (value >= 10) {
        value /= 10;
        ++count;
    }
    return count;
}

std::uint64_t magnitude(std::int64_t value) {
    return value < 0 ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
}

} // namespace

Decimal Decimal::make(std::uint64_t mantissa, int exponent, bool negative) {
    Wide value = mantissa;
    return narrow(negative ? -value : value, exponent);
}

std::optional<Decimal> Decimal::parse(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';

    Wide mantissa = 0;
    int keptDigits = 0;
    std::int64_t exponent = 0;
    bool sawDigit = false;
    bool roundUp = false;
    bool droppedDigits = false;
    auto takeDigit = [&](int digit, bool fractional) {
        sawDigit = true;
        if (keptDigits == 0 && digit == 0) {
            if (fractional)
                --exponent;
            return;
        }
        if (keptDigits < 38) {
            mantissa = mantissa * 10 + digit;
            ++keptDigits;
            if (fractional)
                --exponent;
        } else {
            if (!droppedDigits)
                roundUp = digit >= 5;
            droppedDigits = true;
            if (!fractional)
                ++exponent;
        }
    };
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        takeDigit(text[i++] - '0', false);
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            takeDigit(text[i++] - '0', true);
    }
    if (!sawDigit)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negativeExponent = text[i++] == '-';
        if (i == text.size() || text[i] < '0' || text[i] > '9')
            return std::nullopt;
        std::int64_t written = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            // Saturate: anything this large is out of range anyway.
            if (written < 1'000'000'000)
                written = written * 10 + (text[i] - '0');
            ++i;
        }
        exponent += negativeExponent ? -written : written;
    }
    if (i != text.size())
        return std::nullopt;
    if (roundUp)
        ++mantissa;
    if (negative)
        mantissa = -mantissa;
    compactInPlace(mantissa, exponent);
    if (exponent > maxParsedExponent || exponent < minParsedExponent)
        return std::nullopt;
    return Decimal(std::int64_t(mantissa), int(exponent));
}

Decimal Decimal::operator-() const {
    if (mantissa_ == std::numeric_limits<std::int64_t>::min())
        return narrow(-Wide(mantissa_), exponent_);
    return Decimal(-mantissa_, exponent_);
}

Decimal Decimal::operator+(const Decimal& other) const {
    if (other.mantissa_ == 0)
        return compact(mantissa_, exponent_);
    if (mantissa_ == 0)
        return compact(other.mantissa_, other.exponent_);
    const Decimal& high = exponent_ >= other.exponent_ ? *this : other;
    const Decimal& low = exponent_ >= other.exponent_ ? other : *this;
    std::int64_t gap = std::int64_t(high.exponent_) - low.exponent_;
    // Align on the smaller exponent. The high mantissa scales by at most 10^19 to stay inside
    // the wide type; past that, the low operand is rounded to the same unit instead. Either way
    // the sum keeps more digits than the 19 a result can hold, so only those get rounded away.
    int scale = int(std::min<std::int64_t>(gap, 19));
    std::int64_t drop = gap - scale;
    Wide lowPart = low.mantissa_;
    if (drop > 38) {
        lowPart = 0;
    } else if (drop > 0) {
        Wide unit = powerOfTen(int(drop));
        Wide quotient = lowPart / unit;
        Wide remainder = wideAbs(lowPart % unit);
        if (remainder >= unit - remainder)
            quotient += lowPart < 0 ? -1 : 1;
        lowPart = quotient;
    }
    Wide sum = Wide(high.mantissa_) * powerOfTen(scale) + lowPart;
    return compact(sum, std::int64_t(low.exponent_) + drop);
}

double Decimal::toDouble() const {
    if (mantissa_ == 0)
        return 0;
    std::string text = std::to_string(mantissa_) + "e" + std::to_string(exponent_);
    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        double sign = mantissa_ < 0 ? -1.0 : 1.0;
        return exponent_ > 0 ? sign * HUGE_VAL : sign * 0.0;
    }
    return value;
}

std::int64_t Decimal::toInt64() const {
    if (exponent_ >= 0) {
        Wide value = mantissa_;
        for (int i = 0; i < exponent_ && value != 0; ++i) {
            value *= 10;
            if (value > maxMantissa)
                return std::numeric_limits<std::int64_t>::max();
            if (value < std::numeric_limits<std::int64_t>::min())
                return std::numeric_limits<std::int64_t>::min();
        }
        return std::int64_t(value);
    }
    if (exponent_ < -19)
        return 0;
    return std::int64_t(Wide(mantissa_) / powerOfTen(-exponent_));
}

std::string Decimal::toString() const {
    if (mantissa_ == 0)
        return "0";
    std::string digits = std::to_string(magnitude(mantissa_));
    std::string sign = mantissa_ < 0 ? "-" : "";
    std::int64_t exponent = exponent_;
    if (exponent >= 0) {
        if (exponent > maxPlainZeros)
            return sign + digits + "E" + std::to_string(exponent);
        return sign + digits + std::string(std::size_t(exponent), '0');
    }
    // Trailing zeros of the mantissa would print as trailing fractional zeros; drop them.
    while (exponent < 0 && digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    if (exponent >= 0)
        return sign + digits;
    std::int64_t point = std::int64_t(digits.size()) + exponent;
    if (point > 0)
        return sign + digits.substr(0, std::size_t(point)) + "." +
               digits.substr(std::size_t(point));
    if (-point > maxPlainZeros)
        return sign + digits + "E" + std::to_string(exponent);
    return sign + "0." + std::string(std::size_t(-point), '0') + digits;
}

std::partial_ordering Decimal::operator<=>(const Decimal& other) const {
    int signA = (mantissa_ > 0) - (mantissa_ < 0);
    int signB = (other.mantissa_ > 0) - (other.mantissa_ < 0);
    if (signA != signB || signA == 0)
        return signA <=> signB;
    // Same sign, both non-zero: compare magnitudes by their leading digit's position first.
    std::uint64_t a = magnitude(mantissa_);
    std::uint64_t b = magnitude(other.mantissa_);
    std::int64_t topA = std::int64_t(exponent_) + digitCount(a);
    std::int64_t topB = std::int64_t(other.exponent_) + digitCount(b);
    std::strong_ordering byMagnitude = std::strong_ordering::equal;
    if (topA != topB) {
        byMagnitude = topA <=> topB;
    } else {
        // Leading digits line up, so the exponents differ by at most 19 digits.
        std::int64_t shift = std::int64_t(exponent_) - other.exponent_;
        Wide wideA = a;
        Wide wideB = b;
        if (shift > 0)
            wideA *= powerOfTen(int(shift));
        else
            wideB *= powerOfTen(int(-shift));
        byMagnitude = wideA <=> wideB;
    }
    if (signA < 0)
        return 0 <=> byMagnitude;
    return byMagnitude;
}

bool Decimal::operator==(const Decimal& other) const {
    return (*this <=> other) == 0;
}

} // namespace base
