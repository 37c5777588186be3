#include "platform/base/JSON.h"

#include "platform/base/Strings.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

namespace base {

namespace {

// Deeper input is refused rather than risking the stack on what is surely not real data.
constexpr std::size_t maxDepth = 512;

Error readError(const std::string& detail) {
    return Error::cocoa(PropertyListReadCorruptError, detail, detail);
}

Error writeError(const std::string& detail) {
    return Error::cocoa(PropertyListWriteInvalidError, detail, detail);
}

// Builds Values straight from the parser's events, so no intermediate document is kept.
class ValueBuilder {
public:
    using json = nlohmann::json;
    using number_integer_t = json::number_integer_t;
    using number_unsigned_t = json::number_unsigned_t;
    using number_float_t = json::number_float_t;
    using string_t = json::string_t;
    using binary_t = json::binary_t;

    explicit ValueBuilder(bool mutableContainers)
        : mutableContainers_(mutableContainers) {}

    bool null() { return add(Value()); }
    bool boolean(bool value) { return add(Value(value)); }
    bool number_integer(number_integer_t value) { return add(Value(std::int64_t(value))); }
    bool number_unsigned(number_unsigned_t value) {
        if (value <= std::uint64_t(std::numeric_limits<std::int64_t>::max()))
            return add(Value(std::int64_t(value)));
        return add(Value(std::uint64_t(value)));
    }
    bool number_float(number_float_t value, const string_t& text) {
        if (!std::isfinite(value))
            return fail("Number " + text + " is out of range");
        return add(Value(double(value)));
    }
    bool string(string_t& value) { return add(Value(std::move(value))); }
    bool binary(binary_t&) { return fail("Binary values are not JSON"); }
    bool start_object(std::size_t) {
        return open(mutableContainers_ ? Value::mutableDictionary() : Value(Value::Dictionary{}));
    }
    bool key(string_t& key) {
        keys_.back() = std::move(key);
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(std::size_t) {
        return open(mutableContainers_ ? Value::mutableArray() : Value(Value::Array{}));
    }
    bool end_array() { return close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) {
        std::string message = error.what();
        // Drop the library's "[json.exception.parse_error.101] " tag; keep line and column.
        if (auto tag = message.find("] ");
            !message.empty() && message[0] == '[' && tag != std::string::npos)
            message.erase(0, tag + 2);
        return fail("Invalid JSON: " + message);
    }

    std::optional<Value>& root() { return root_; }
    const std::string& failure() const { return failure_; }

private:
    bool fail(std::string message) {
        if (failure_.empty())
            failure_ = std::move(message);
        return false;
    }

    bool add(Value value) {
        if (open_.empty()) {
            root_ = std::move(value);
            return true;
        }
        Value& top = open_.back();
        if (auto* items = top.array())
            items->push_back(std::move(value));
        else
            top.dictionary()->insert_or_assign(keys_.back(), std::move(value));
        return true;
    }

    bool open(Value container) {
        if (open_.size() >= maxDepth)
            return fail("JSON text is nested more than " + std::to_string(maxDepth) +
                        " levels deep");
        open_.push_back(std::move(container));
        keys_.emplace_back();
        return true;
    }

    bool close() {
        Value done = std::move(open_.back());
        open_.pop_back();
        keys_.pop_back();
        return add(std::move(done));
    }

    bool mutableContainers_;
    std::vector<Value> open_;
    std::vector<std::string> keys_;
    std::optional<Value> root_;
    std::string failure_;
};

// The shortest text that reads back as the same double. A whole number of 2^53 or more is
// written with an exponent: as plain digits it would read back as an integer, and its shortest
// digits padded with zeros ("92233720368154750") name another integer than the double holds.
std::string doubleText(const Value& value) {
    std::string text = *value.stringValue();
    double number = value.doubleValue();
    if (std::abs(number) >= 0x1p53 && text.find_first_of(".eE") == std::string::npos) {
        char buffer[32];
        auto [end, error] =
            std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::scientific);
        if (error == std::errc())
            text.assign(buffer, end);
    }
    return text;
}

class Writer {
public:
    explicit Writer(bool pretty)
        : pretty_(pretty) {}

    std::optional<Error> write(const Value& value, int depth) {
        switch (value.type()) {
        case Value::Type::Null:
            out_ += "null";
            return std::nullopt;
        case Value::Type::Bool:
            out_ += value.boolValue() ? "true" : "false";
            return std::nullopt;
        case Value::Type::Integer:
        case Value::Type::Unsigned:
        case Value::Type::Decimal:
            out_ += *value.stringValue();
            return std::nullopt;
        case Value::Type::Double: {
            double number = value.doubleValue();
            if (!std::isfinite(number))
                return writeError("Invalid number value (" + *value.stringValue() +
                                  ") in JSON write");
            out_ += doubleText(value);
            return std::nullopt;
        }
        case Value::Type::String:
            return writeString(*value.string());
        case Value::Type::Data:
            return writeError("Invalid type in JSON write (Data)");
        case Value::Type::Date:
            return writeError("Invalid type in JSON write (Date)");
        case Value::Type::Array:
            return writeArray(*value.array(), depth);
        case Value::Type::Dictionary:
            return writeDictionary(*value.dictionary(), depth);
        }
        return writeError("Invalid type in JSON write");
    }

    std::string take() { return std::move(out_); }

private:
    void newline(int depth) {
        if (!pretty_)
            return;
        out_ += '\n';
        out_.append(std::size_t(depth) * 2, ' ');
    }

    std::optional<Error> writeArray(const Value::Array& items, int depth) {
        out_ += '[';
        bool first = true;
        for (const auto& item : items) {
            if (!first)
                out_ += ',';
            first = false;
            newline(depth + 1);
            if (auto error = write(item, depth + 1))
                return error;
        }
        if (!items.empty())
            newline(depth);
        out_ += ']';
        return std::nullopt;
    }

    std::optional<Error> writeDictionary(const Value::Dictionary& entries, int depth) {
        out_ += '{';
        bool first = true;
        for (const auto& [key, item] : entries) {
            if (!first)
                out_ += ',';
            first = false;
            newline(depth + 1);
            if (auto error = writeString(key))
                return error;
            out_ += pretty_ ? ": " : ":";
            if (auto error = write(item, depth + 1))
                return error;
        }
        if (!entries.empty())
            newline(depth);
        out_ += '}';
        return std::nullopt;
    }

    std::optional<Error> writeString(const std::string& text) {
        if (!isValidUTF8(text))
            return writeError("Invalid string in JSON write: not valid UTF-8");
        out_ += '"';
        for (char c : text) {
            switch (c) {
            case '"':
                out_ += "\\\"";
                break;
            case '\\':
                out_ += "\\\\";
                break;
            case '\b':
                out_ += "\\b";
                break;
            case '\f':
                out_ += "\\f";
                break;
            case '\n':
                out_ += "\\n";
                break;
            case '\r':
                out_ += "\\r";
                break;
            case '\t':
                out_ += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(c));
                    out_ += escape;
                } else {
                    out_ += c;
                }
            }
        }
        out_ += '"';
        return std::nullopt;
    }

    bool pretty_;
    std::string out_;
};

} // namespace

Result<Value> parseJSON(std::string_view text, JSONReadOptions options) {
    // A NUL byte is never valid JSON, but the parser takes it as the end of the input and
    // would ignore whatever follows.
    if (auto nul = text.find('\0'); nul != std::string_view::npos)
        return readError("Invalid JSON: NUL byte at offset " + std::to_string(nul));
    ValueBuilder builder(options.mutableContainers);
    bool parsed = false;
    try {
        parsed = nlohmann::json::sax_parse(text.begin(), text.end(), &builder);
    } catch (const nlohmann::json::exception& error) {
        return readError(std::string("Invalid JSON: ") + error.what());
    }
    if (!parsed || !builder.root())
        return readError(builder.failure().empty() ? "Invalid JSON" : builder.failure());
    Value& root = *builder.root();
    if (!options.allowFragments && !root.isArray() && !root.isDictionary())
        return readError(
            "JSON text must start with an array or an object unless fragments are allowed");
    return std::move(root);
}

Result<Value> parseJSON(const Data& data, JSONReadOptions options) {
    return parseJSON(std::string_view(reinterpret_cast<const char*>(data.bytes()), data.size()),
                     options);
}

Result<std::string> toJSON(const Value& value, bool pretty, bool allowFragments) {
    if (!allowFragments && !value.isArray() && !value.isDictionary())
        return writeError("Invalid top-level type in JSON write: an array or a dictionary is "
                          "needed unless fragments are allowed");
    Writer writer(pretty);
    if (auto error = writer.write(value, 0))
        return *error;
    return writer.take();
}

} // namespace base
