#include "platform/base/Value.h"

#include <charconv>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>

namespace base {

namespace {

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::uint64_t uint64Max = std::numeric_limits<std::uint64_t>::max();
constexpr double twoTo63 = 9223372036854775808.0;
constexpr double twoTo64 = 18446744073709551616.0;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t skipSpace(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    return i;
}

// The leading integer of a string, as the platform's string readers take it: whitespace
// skipped, an optional sign, then digits; saturates instead of overflowing; 0 if none.
struct LeadingInteger {
    bool negative = false;
    std::uint64_t magnitude = 0; // saturated at uint64Max
};

LeadingInteger readLeadingInteger(std::string_view text) {
    LeadingInteger result;
    std::size_t i = skipSpace(text);
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        result.negative = text[i++] == '-';
    for (; i < text.size() && isDigit(text[i]); ++i) {
        std::uint64_t digit = std::uint64_t(text[i] - '0');
        if (result.magnitude > (uint64Max - digit) / 10)
            result.magnitude = uint64Max;
        else
            result.magnitude = result.magnitude * 10 + digit;
    }
    return result;
}

std::int64_t leadingInt64(std::string_view text) {
    LeadingInteger value = readLeadingInteger(text);
    if (value.negative)
        return value.magnitude > std::uint64_t(int64Max) ? int64Min
                                                         : -std::int64_t(value.magnitude);
    return value.magnitude > std::uint64_t(int64Max) ? int64Max : std::int64_t(value.magnitude);
}

std::uint64_t leadingUInt64(std::string_view text) {
    LeadingInteger value = readLeadingInteger(text);
    if (value.negative)
        return std::uint64_t(leadingInt64(text));
    return value.magnitude;
}

// The leading decimal floating-point number of a string (no hex, no inf/nan words); 0 if none.
double leadingDouble(std::string_view text) {
    std::size_t i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::size_t start = i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    std::size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            end = j;
        }
    }
    double value = 0;
    auto [last, error] = std::from_chars(text.data() + start, text.data() + end, value);
    (void)last;
    if (error == std::errc::result_out_of_range) {
        // Too large or too small: the written exponent's sign tells which.
        std::string_view number = text.substr(start, end - start);
        std::size_t e = number.find_first_of("eE");
        bool tiny = e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

// Doubles outside the target range saturate; NaN reads as 0.
std::int64_t doubleToInt64(double value) {
    if (std::isnan(value))
        return 0;
    if (value >= twoTo63)
        return int64Max;
    if (value < -twoTo63)
        return int64Min;
    return std::int64_t(value);
}

std::uint64_t doubleToUInt64(double value) {
    if (std::isnan(value))
        return 0;
    if (value < 0)
        return std::uint64_t(doubleToInt64(value));
    if (value >= twoTo64)
        return uint64Max;
    return std::uint64_t(value);
}

std::uint64_t decimalToUInt64(const Decimal& value) {
    if (value.mantissa() < 0)
        return std::uint64_t(value.toInt64());
    if (value.exponent() < 0)
        return std::uint64_t(value.toInt64());
    std::uint64_t result = std::uint64_t(value.mantissa());
    for (int i = 0; i < value.exponent() && result != 0; ++i) {
        if (result > uint64Max / 10)
            return uint64Max;
        result *= 10;
    }
    return result;
}

// Prints as the platform prints a double: the shortest digits that read back to the same value,
// at most 17 significant, no trailing zeros, exponent form outside 1e-5 ... 1e17.
std::string formatDouble(double value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    if (value == 0)
        return std::signbit(value) ? "-0" : "0";
    char buffer[64];
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    (void)error;
    std::string_view scientific(buffer, std::size_t(end - buffer));
    // "-d.ddde±XX"
    bool negative = scientific.front() == '-';
    if (negative)
        scientific.remove_prefix(1);
    std::size_t e = scientific.find('e');
    std::string digits;
    for (char c : scientific.substr(0, e))
        if (c != '.')
            digits += c;
    int exponent = 0;
    std::string_view exponentText = scientific.substr(e + 1);
    if (!exponentText.empty() && exponentText.front() == '+')
        exponentText.remove_prefix(1);
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);

    std::string out = negative ? "-" : "";
    if (exponent < -4 || exponent >= 17) {
        out += digits[0];
        if (digits.size() > 1) {
            out += '.';
            out += digits.substr(1);
        }
        char tail[16];
        std::snprintf(tail, sizeof tail, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out + tail;
    }
    if (exponent < 0)
        return out + "0." + std::string(std::size_t(-exponent - 1), '0') + digits;
    std::size_t point = std::size_t(exponent) + 1;
    if (digits.size() <= point)
        return out + digits + std::string(point - digits.size(), '0');
    return out + digits.substr(0, point) + "." + digits.substr(point);
}

// Reads a string as the platform's boolValue does: whitespace, an optional sign and leading
// zeros skipped, then true on Y, y, T, t or a digit 1 to 9 ("YES", "true", "7up").
bool stringBool(std::string_view text) {
    std::size_t i = skipSpace(text);
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    while (i < text.size() && text[i] == '0')
        ++i;
    if (i == text.size())
        return false;
    char c = text[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

// A number in plain form for comparisons across kinds.
struct Number {
    enum class Kind { Signed, Unsigned, Floating, Decimal } kind;
    std::int64_t signedValue = 0;
    std::uint64_t unsignedValue = 0;
    double floatingValue = 0;
    Decimal decimalValue;
};

bool doubleEqualsSigned(double d, std::int64_t i) {
    if (!std::isfinite(d) || d != std::trunc(d) || d < -twoTo63 || d >= twoTo63)
        return false;
    return std::int64_t(d) == i;
}

bool doubleEqualsUnsigned(double d, std::uint64_t u) {
    if (!std::isfinite(d) || d != std::trunc(d) || d < 0 || d >= twoTo64)
        return false;
    return std::uint64_t(d) == u;
}

std::optional<Decimal> exactDecimal(std::uint64_t value) {
    int exponent = 0;
    while (value != 0 && value % 10 == 0) {
        value /= 10;
        ++exponent;
    }
    if (value > std::uint64_t(int64Max))
        return std::nullopt;
    return Decimal(std::int64_t(value), exponent);
}

// The decimal a double prints as (its shortest round-trip form), so 0.1 equals decimal 0.1.
std::optional<Decimal> decimalFromDouble(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error != std::errc())
        return std::nullopt;
    return Decimal::parse(std::string_view(buffer, std::size_t(end - buffer)));
}

bool numbersEqual(const Number& a, const Number& b) {
    using Kind = Number::Kind;
    if (a.kind > b.kind)
        return numbersEqual(b, a);
    switch (a.kind) {
    case Kind::Signed:
        switch (b.kind) {
        case Kind::Signed:
            return a.signedValue == b.signedValue;
        case Kind::Unsigned:
            return a.signedValue >= 0 && std::uint64_t(a.signedValue) == b.unsignedValue;
        case Kind::Floating:
            return doubleEqualsSigned(b.floatingValue, a.signedValue);
        case Kind::Decimal:
            return Decimal(a.signedValue) == b.decimalValue;
        }
        break;
    case Kind::Unsigned:
        switch (b.kind) {
        case Kind::Unsigned:
            return a.unsignedValue == b.unsignedValue;
        case Kind::Floating:
            return doubleEqualsUnsigned(b.floatingValue, a.unsignedValue);
        case Kind::Decimal: {
            auto exact = exactDecimal(a.unsignedValue);
            return exact && *exact == b.decimalValue;
        }
        default:
            break;
        }
        break;
    case Kind::Floating:
        if (b.kind == Kind::Floating)
            return a.floatingValue == b.floatingValue;
        if (b.kind == Kind::Decimal) {
            auto converted = decimalFromDouble(a.floatingValue);
            return converted && *converted == b.decimalValue;
        }
        break;
    case Kind::Decimal:
        return a.decimalValue == b.decimalValue;
    }
    return false;
}

void appendIndent(std::string& out, int depth) {
    out.append(std::size_t(depth) * 4, ' ');
}

// Strings inside containers print bare when they are a plain word, quoted otherwise.
void appendQuotedIfNeeded(std::string& out, const std::string& text) {
    bool plain = !text.empty();
    for (char c : text) {
        bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_' ||
                    c == '.' || c == '$' || c == '/' || c == ':' || c == '-';
        if (!word)
            plain = false;
    }
    if (plain) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    out += '"';
}

std::string dateDescription(Date date) {
    double seconds = std::floor(date.timeIntervalSince1970());
    // Beyond what a calendar printout can show; give the raw interval.
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e14)
        return "Date(" + Value(date.timeIntervalSince1970()).stringValue().value_or("") + ")";
    std::time_t time = std::time_t(seconds);
    std::tm parts{};
    if (!gmtime_r(&time, &parts))
        return "Date(" + Value(date.timeIntervalSince1970()).stringValue().value_or("") + ")";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d %02d:%02d:%02d +0000",
                  static_cast<long long>(parts.tm_year) + 1900, parts.tm_mon + 1, parts.tm_mday,
                  parts.tm_hour, parts.tm_min, parts.tm_sec);
    return buffer;
}

std::string dataDescription(const Data& data) {
    std::string hex = data.hexString();
    std::string out = "<";
    for (std::size_t i = 0; i < hex.size(); i += 8) {
        if (i)
            out += ' ';
        out += hex.substr(i, 8);
    }
    return out + ">";
}

void describe(const Value& value, std::string& out, int depth, bool nested) {
    if (const auto* text = value.string()) {
        if (nested)
            appendQuotedIfNeeded(out, *text);
        else
            out += *text;
        return;
    }
    if (const auto* items = value.array()) {
        if (items->empty()) {
            out += "()";
            return;
        }
        out += "(\n";
        for (std::size_t i = 0; i < items->size(); ++i) {
            appendIndent(out, depth + 1);
            describe((*items)[i], out, depth + 1, true);
            out += i + 1 < items->size() ? ",\n" : "\n";
        }
        appendIndent(out, depth);
        out += ')';
        return;
    }
    if (const auto* entries = value.dictionary()) {
        if (entries->empty()) {
            out += "{}";
            return;
        }
        out += "{\n";
        for (const auto& [key, item] : *entries) {
            appendIndent(out, depth + 1);
            appendQuotedIfNeeded(out, key);
            out += " = ";
            describe(item, out, depth + 1, true);
            out += ";\n";
        }
        appendIndent(out, depth);
        out += '}';
        return;
    }
    if (const auto* data = value.data()) {
        out += dataDescription(*data);
        return;
    }
    if (const auto* date = value.date()) {
        out += dateDescription(*date);
        return;
    }
    if (value.isNull()) {
        out += "<null>";
        return;
    }
    out += value.stringValue().value_or("");
}

} // namespace

Value Value::mutableArray(Array items) {
    Value value(std::move(items));
    value.mutable_ = true;
    return value;
}

Value Value::mutableDictionary(Dictionary entries) {
    Value value(std::move(entries));
    value.mutable_ = true;
    return value;
}

bool Value::isNumber() const {
    switch (type()) {
    case Type::Bool:
    case Type::Integer:
    case Type::Unsigned:
    case Type::Double:
    case Type::Decimal:
        return true;
    default:
        return false;
    }
}

Value Value::mutableCopy() const {
    Value copy = *this;
    copy.mutable_ = isArray() || isDictionary();
    return copy;
}

Value Value::immutableCopy() const {
    Value copy = *this;
    copy.mutable_ = false;
    return copy;
}

bool Value::boolValue() const {
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(storage_);
    case Type::Integer:
        return std::get<std::int64_t>(storage_) != 0;
    case Type::Unsigned:
        return std::get<std::uint64_t>(storage_) != 0;
    case Type::Double:
        return std::get<double>(storage_) != 0;
    case Type::Decimal:
        return std::get<Decimal>(storage_).mantissa() != 0;
    case Type::String:
        return stringBool(std::get<std::string>(storage_));
    default:
        return false;
    }
}

std::int64_t Value::integerValue() const {
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(storage_) ? 1 : 0;
    case Type::Integer:
        return std::get<std::int64_t>(storage_);
    case Type::Unsigned:
        return std::int64_t(std::get<std::uint64_t>(storage_));
    case Type::Double:
        return doubleToInt64(std::get<double>(storage_));
    case Type::Decimal:
        return std::get<Decimal>(storage_).toInt64();
    case Type::String:
        return leadingInt64(std::get<std::string>(storage_));
    default:
        return 0;
    }
}

std::uint64_t Value::unsignedValue() const {
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(storage_) ? 1 : 0;
    case Type::Integer:
        return std::uint64_t(std::get<std::int64_t>(storage_));
    case Type::Unsigned:
        return std::get<std::uint64_t>(storage_);
    case Type::Double:
        return doubleToUInt64(std::get<double>(storage_));
    case Type::Decimal:
        return decimalToUInt64(std::get<Decimal>(storage_));
    case Type::String:
        return leadingUInt64(std::get<std::string>(storage_));
    default:
        return 0;
    }
}

double Value::doubleValue() const {
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(storage_) ? 1 : 0;
    case Type::Integer:
        return double(std::get<std::int64_t>(storage_));
    case Type::Unsigned:
        return double(std::get<std::uint64_t>(storage_));
    case Type::Double:
        return std::get<double>(storage_);
    case Type::Decimal:
        return std::get<Decimal>(storage_).toDouble();
    case Type::String:
        return leadingDouble(std::get<std::string>(storage_));
    default:
        return 0;
    }
}

std::optional<std::string> Value::stringValue() const {
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(storage_) ? "1" : "0";
    case Type::Integer:
        return std::to_string(std::get<std::int64_t>(storage_));
    case Type::Unsigned:
        return std::to_string(std::get<std::uint64_t>(storage_));
    case Type::Double:
        return formatDouble(std::get<double>(storage_));
    case Type::Decimal:
        return std::get<Decimal>(storage_).toString();
    case Type::String:
        return std::get<std::string>(storage_);
    default:
        return std::nullopt;
    }
}

const Value& Value::operator[](std::string_view key) const {
    static const Value null;
    const auto* entries = dictionary();
    if (!entries)
        return null;
    auto found = entries->find(std::string(key));
    return found == entries->end() ? null : found->second;
}

const Value& Value::operator[](std::size_t index) const {
    static const Value null;
    const auto* items = array();
    if (!items || index >= items->size())
        return null;
    return (*items)[index];
}

std::size_t Value::count() const {
    if (const auto* items = array())
        return items->size();
    if (const auto* entries = dictionary())
        return entries->size();
    return 0;
}

std::string Value::description() const {
    std::string out;
    describe(*this, out, 0, false);
    return out;
}

bool Value::operator==(const Value& other) const {
    if (isNumber() && other.isNumber()) {
        auto number = [](const Value& value) {
            Number result{};
            switch (value.type()) {
            case Type::Bool:
                result.kind = Number::Kind::Signed;
                result.signedValue = std::get<bool>(value.storage_) ? 1 : 0;
                break;
            case Type::Integer:
                result.kind = Number::Kind::Signed;
                result.signedValue = std::get<std::int64_t>(value.storage_);
                break;
            case Type::Unsigned:
                result.kind = Number::Kind::Unsigned;
                result.unsignedValue = std::get<std::uint64_t>(value.storage_);
                break;
            case Type::Double:
                result.kind = Number::Kind::Floating;
                result.floatingValue = std::get<double>(value.storage_);
                break;
            default:
                result.kind = Number::Kind::Decimal;
                result.decimalValue = std::get<Decimal>(value.storage_);
                break;
            }
            return result;
        };
        return numbersEqual(number(*this), number(other));
    }
    // Mutability is not part of the value.
    return storage_ == other.storage_;
}

bool Value::isIdenticalTo(const Value& other) const {
    const auto isNaN = [](const Value& value) {
        return (value.type() == Type::Double && std::isnan(value.doubleValue())) ||
               (value.type() == Type::Date && std::isnan(value.date()->timeIntervalSince1970()));
    };
    if (isNaN(*this) || isNaN(other))
        return isNaN(*this) && isNaN(other) && type() == other.type();
    if (const auto *items = array(), *otherItems = other.array(); items && otherItems)
        return std::equal(items->begin(), items->end(), otherItems->begin(), otherItems->end(),
                          [](const Value& a, const Value& b) { return a.isIdenticalTo(b); });
    if (const auto *entries = dictionary(), *otherEntries = other.dictionary();
        entries && otherEntries)
        return std::equal(entries->begin(), entries->end(), otherEntries->begin(),
                          otherEntries->end(), [](const auto& a, const auto& b) {
                              return a.first == b.first && a.second.isIdenticalTo(b.second);
                          });
    return *this == other;
}

} // namespace base
