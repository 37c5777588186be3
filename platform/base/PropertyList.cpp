#include "platform/base/PropertyList.h"

#include "platform/base/Strings.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <plist/plist.h>
#include <span>
#include <string_view>
#include <unicode/unistr.h>
#include <vector>

namespace base {

namespace {

// Seconds from 1970-01-01 to 2001-01-01, the reference date property lists count from.
constexpr double referenceDateOffset = 978307200;
// Deeper input is refused rather than risking the stack.
constexpr int maxDepth = 512;
// The dates both forms write and read back: the years 1 to 9999 (0001-01-01 and
// 9999-12-31 23:59:59 UTC, in seconds since 1970).
constexpr double earliestDate = -62135596800.0;
constexpr double latestDate = 253402300799.0;

struct NodeDeleter {
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};
using Node = std::unique_ptr<void, NodeDeleter>;

struct MallocDeleter {
    void operator()(void* memory) const { std::free(memory); }
};
template <class T> using Malloced = std::unique_ptr<T, MallocDeleter>;

Error readError(std::string detail) {
    return Error::cocoa(PropertyListReadCorruptError,
                        "The data couldn't be read because it isn't in the correct format.",
                        std::move(detail));
}

Error writeError(const std::string& detail) {
    return Error::cocoa(PropertyListWriteInvalidError, detail, detail);
}

// The format library keeps integers as 64 bits plus a hidden flag telling a large unsigned
// value from a negative one; only its XML rendering shows which it is.
bool isNegativeInteger(plist_t node, std::uint64_t bits) {
    if (bits <= std::uint64_t(std::numeric_limits<std::int64_t>::max()))
        return false;
    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    if (!xml)
        return true;
    std::string_view text(xml, length);
    bool negative = text.find("<integer>-") != std::string_view::npos;
    plist_to_xml_free(xml);
    return negative;
}

std::uint64_t readBigEndian(std::span<const std::uint8_t> bytes, std::size_t at,
                            std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i)
        value = (value << 8) | bytes[at + i];
    return value;
}

using Rendering = std::unique_ptr<char, void (*)(char*)>;

// The library renders a lone node in binary form exactly: "bplist00", then the node's object.
Rendering binaryRendering(plist_t node, std::uint32_t& length) {
    char* bytes = nullptr;
    length = 0;
    plist_to_bin(node, &bytes, &length);
    return Rendering(bytes, plist_to_bin_free);
}

// A date as seconds since the reference date. The library keeps the exact double but hands it
// out only as whole seconds in 32 bits (wrapping after 2069) and a fraction without its sign
// (lost between -1 and 0 s); its binary form holds the double itself, after the marker 0x33.
std::optional<double> dateSinceReference(plist_t node) {
    std::uint32_t length = 0;
    auto bytes = binaryRendering(node, length);
    constexpr std::size_t at = 9;
    if (!bytes || length < at + 8 || std::uint8_t(bytes.get()[at - 1]) != 0x33)
        return std::nullopt;
    std::span<const std::uint8_t> view(reinterpret_cast<const std::uint8_t*>(bytes.get()), length);
    return std::bit_cast<double>(readBigEndian(view, at, 8));
}

// A dictionary key as the file holds it. The library's accessor for keys stops at a NUL and
// asserts, aborting the process, when a key holds one; its binary form writes the key whole: a
// string object of ASCII bytes (marker 0x5) or UTF-16 units (marker 0x6), counted.
std::optional<std::string> keyText(plist_t keyNode) {
    if (!keyNode)
        return std::nullopt;
    std::uint32_t length = 0;
    auto rendering = binaryRendering(keyNode, length);
    if (!rendering)
        return std::nullopt;
    std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(rendering.get()),
                                        length);
    std::size_t at = 8;
    if (at >= bytes.size())
        return std::nullopt;
    std::uint8_t kind = bytes[at] >> 4;
    std::uint64_t count = bytes[at++] & 0x0F;
    if (count == 0x0F) {
        if (at >= bytes.size() || (bytes[at] >> 4) != 0x1 || (bytes[at] & 0x0F) > 3)
            return std::nullopt;
        std::size_t width = std::size_t(1) << (bytes[at] & 0x0F);
        if (at + 1 + width > bytes.size())
            return std::nullopt;
        count = readBigEndian(bytes, at + 1, width);
        at += 1 + width;
    }
    std::uint64_t unitSize = kind == 0x6 ? 2 : 1;
    if ((kind != 0x5 && kind != 0x6) || count > (bytes.size() - at) / unitSize)
        return std::nullopt;
    if (kind == 0x5)
        return std::string(reinterpret_cast<const char*>(bytes.data() + at), std::size_t(count));
    std::u16string units;
    for (std::uint64_t i = 0; i < count; ++i)
        units.push_back(char16_t(readBigEndian(bytes, at + std::size_t(i) * 2, 2)));
    std::string text;
    icu::UnicodeString(false, units.data(), std::int32_t(units.size())).toUTF8String(text);
    return text;
}

Result<Value> toValue(plist_t node, int depth) {
    if (depth > maxDepth)
        return readError("Property list is nested too deeply");
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        std::uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        return Value(flag != 0);
    }
    case PLIST_UINT: {
        std::uint64_t bits = 0;
        plist_get_uint_val(node, &bits);
        if (bits <= std::uint64_t(std::numeric_limits<std::int64_t>::max()) ||
            isNegativeInteger(node, bits))
            return Value(std::int64_t(bits));
        return Value(bits);
    }
    case PLIST_REAL: {
        double number = 0;
        plist_get_real_val(node, &number);
        return Value(number);
    }
    case PLIST_STRING: {
        // Read with its length: a string may hold NUL characters, which the copying accessor
        // of the library refuses with an assertion.
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return Value(text ? std::string(text, std::size_t(length)) : std::string());
    }
    case PLIST_DATA: {
        std::uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return Value(bytes ? Data(bytes, std::size_t(length)) : Data());
    }
    case PLIST_DATE: {
        auto sinceReference = dateSinceReference(node);
        if (!sinceReference)
            return readError("Property list holds a date that cannot be read");
        return Value(Date(*sinceReference + referenceDateOffset));
    }
    case PLIST_UID: {
        std::uint64_t uid = 0;
        plist_get_uid_val(node, &uid);
        Value number = uid <= std::uint64_t(std::numeric_limits<std::int64_t>::max())
                           ? Value(std::int64_t(uid))
                           : Value(uid);
        return Value(Value::Dictionary{{"CF$UID", number}});
    }
    case PLIST_ARRAY: {
        Value::Array items;
        std::uint32_t size = plist_array_get_size(node);
        items.reserve(size);
        for (std::uint32_t i = 0; i < size; ++i) {
            plist_t child = plist_array_get_item(node, i);
            if (!child)
                return readError("Property list array is missing an item");
            auto item = toValue(child, depth + 1);
            if (!item)
                return item.error();
            items.push_back(std::move(item).value());
        }
        return Value(std::move(items));
    }
    case PLIST_DICT: {
        Value::Dictionary entries;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        Malloced<void> iteratorMemory(iterator);
        while (true) {
            plist_t child = nullptr;
            plist_dict_next_item(node, iterator, nullptr, &child);
            if (!child)
                break;
            auto key = keyText(plist_dict_item_get_key(child));
            if (!key)
                return readError("Property list holds a dictionary key that cannot be read");
            auto item = toValue(child, depth + 1);
            if (!item)
                return item.error();
            entries.insert_or_assign(std::move(*key), std::move(item).value());
        }
        return Value(std::move(entries));
    }
    default:
        return readError("Property list holds a value of an unknown type");
    }
}

// The format library parses nested containers recursively and overflows the stack on input
// nested deeply enough (corrupt or hostile files). These scans measure the nesting first so such
// input is refused before the library sees it.

// Checks the shape of a binary list: false when its nesting passes maxDepth, when it refers to
// itself, or when shared objects would expand far beyond the objects it holds (a few bytes that
// unfold into millions of values). Structure the scan cannot follow is left for the library.
bool binaryShapeIsSound(std::span<const std::uint8_t> bytes) {
    constexpr std::size_t headerSize = 8;
    constexpr std::size_t trailerSize = 32;
    if (bytes.size() < headerSize + trailerSize)
        return true;
    std::size_t trailer = bytes.size() - trailerSize;
    std::size_t offsetSize = bytes[trailer + 6];
    std::size_t refSize = bytes[trailer + 7];
    std::uint64_t objectCount = readBigEndian(bytes, trailer + 8, 8);
    std::uint64_t top = readBigEndian(bytes, trailer + 16, 8);
    std::uint64_t offsetTable = readBigEndian(bytes, trailer + 24, 8);
    if (offsetSize == 0 || offsetSize > 8 || refSize == 0 || refSize > 8 || top >= objectCount ||
        offsetTable >= trailer || objectCount > (trailer - offsetTable) / offsetSize)
        return true;

    // The object references a container holds, as a range of the buffer.
    auto children = [&](std::uint64_t object) -> std::pair<std::size_t, std::size_t> {
        std::uint64_t offset =
            readBigEndian(bytes, std::size_t(offsetTable + object * offsetSize), offsetSize);
        if (offset < headerSize || offset >= trailer)
            return {0, 0};
        std::size_t at = std::size_t(offset);
        std::uint8_t marker = bytes[at++];
        std::uint8_t kind = marker >> 4;
        if (kind != 0xA && kind != 0xC && kind != 0xD)
            return {0, 0};
        std::uint64_t count = marker & 0x0F;
        if (count == 0x0F) {
            if (at >= trailer || (bytes[at] >> 4) != 0x1 || (bytes[at] & 0x0F) > 3)
                return {0, 0};
            std::size_t width = std::size_t(1) << (bytes[at] & 0x0F);
            if (at + 1 + width > trailer)
                return {0, 0};
            count = readBigEndian(bytes, at + 1, width);
            at += 1 + width;
        }
        if (kind == 0xD)
            count *= 2;
        if (count > (trailer - at) / refSize)
            return {0, 0};
        return {at, std::size_t(count)};
    };

    enum : std::uint8_t { unvisited, open, done };
    std::vector<std::uint8_t> state(std::size_t(objectCount), unvisited);
    std::vector<int> height(std::size_t(objectCount), 0);
    // Objects each one stands for once shared references are unfolded, capped.
    const std::uint64_t expansionLimit = 8 * objectCount + 65536;
    std::vector<std::uint64_t> expanded(std::size_t(objectCount), 0);
    struct Frame {
        std::uint64_t object;
        std::size_t refs, count, next;
        int tallest;
        std::uint64_t total;
    };
    std::vector<Frame> stack;
    auto push = [&](std::uint64_t object) {
        auto [refs, count] = children(object);
        state[object] = open;
        stack.push_back({object, refs, count, 0, 0, 1});
    };
    push(top);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.count) {
            height[frame.object] = frame.tallest + 1;
            expanded[frame.object] = frame.total;
            state[frame.object] = done;
            int finished = height[frame.object];
            std::uint64_t total = frame.total;
            stack.pop_back();
            if (!stack.empty()) {
                stack.back().tallest = std::max(stack.back().tallest, finished);
                stack.back().total += total;
                if (stack.back().total > expansionLimit)
                    return false;
            }
            continue;
        }
        std::uint64_t child = readBigEndian(bytes, frame.refs + frame.next * refSize, refSize);
        ++frame.next;
        if (child >= objectCount)
            continue;
        if (state[child] == open)
            return false;
        if (state[child] == done) {
            if (int(stack.size()) + height[child] > maxDepth)
                return false;
            frame.tallest = std::max(frame.tallest, height[child]);
            frame.total += expanded[child];
            if (frame.total > expansionLimit)
                return false;
            continue;
        }
        if (int(stack.size()) >= maxDepth)
            return false;
        push(child);
    }
    return true;
}

// Whether the <array>/<dict> nesting of an XML list stays within maxDepth (a count of tags;
// comments are not told apart).
bool xmlNestingIsSound(std::string_view text) {
    int depth = 0;
    int deepest = 0;
    for (std::size_t at = text.find('<'); at != std::string_view::npos;
         at = text.find('<', at + 1)) {
        std::string_view tag = text.substr(at + 1);
        bool closing = !tag.empty() && tag.front() == '/';
        if (closing)
            tag.remove_prefix(1);
        std::size_t nameLength = tag.starts_with("array") ? 5 : tag.starts_with("dict") ? 4 : 0;
        if (nameLength == 0 || tag.size() == nameLength)
            continue;
        char after = tag[nameLength];
        if (after != '>' && after != '/' && after != ' ' && after != '\t' && after != '\n' &&
            after != '\r')
            continue;
        if (closing) {
            depth = std::max(0, depth - 1);
            continue;
        }
        std::size_t end = tag.find('>');
        if (end != std::string_view::npos && end > 0 && tag[end - 1] == '/')
            continue;
        deepest = std::max(deepest, ++depth);
        if (deepest > maxDepth)
            return false;
    }
    return true;
}

// A node for an unsigned integer above the signed range. The library's constructor would
// mark it as negative, so it is made the way its XML reader makes one.
Node largeUnsignedNode(std::uint64_t value) {
    std::string xml =
        "<plist version=\"1.0\"><integer>" + std::to_string(value) + "</integer></plist>";
    plist_t node = nullptr;
    plist_from_xml(xml.data(), std::uint32_t(xml.size()), &node);
    return Node(node);
}

// A date node holding exactly these seconds since the reference date. The library's
// constructor takes whole seconds in 32 bits (about 1933 to 2069), so the node is read from a
// binary list made for it, as the library's own reader makes one.
Node dateNode(double sinceReference) {
    std::vector<std::uint8_t> bytes = {'b', 'p', 'l', 'i', 's', 't', '0', '0', 0x33};
    auto bits = std::bit_cast<std::uint64_t>(sinceReference);
    for (int shift = 56; shift >= 0; shift -= 8)
        bytes.push_back(std::uint8_t(bits >> shift));
    bytes.push_back(8); // the offset table: the one object is at byte 8
    bytes.insert(bytes.end(), 6, 0);
    bytes.push_back(1);                    // offset size
    bytes.push_back(1);                    // reference size
    for (std::uint64_t field : {1, 0, 17}) // objects, root, offset table
        for (int shift = 56; shift >= 0; shift -= 8)
            bytes.push_back(std::uint8_t(field >> shift));
    plist_t node = nullptr;
    plist_from_bin(reinterpret_cast<const char*>(bytes.data()), std::uint32_t(bytes.size()), &node);
    return Node(node);
}

// Why the text cannot be written, if it cannot: the library ends strings at a NUL, and writes
// text that is not UTF-8 cut short or empty.
std::optional<std::string> unwritableText(std::string_view text) {
    if (text.find('\0') != std::string_view::npos)
        return "a NUL character";
    if (!isValidUTF8(text))
        return "text that is not UTF-8";
    return std::nullopt;
}

Node integerNode(std::int64_t value) {
    return Node(plist_new_uint(std::uint64_t(value)));
}

Result<Node> toNode(const Value& value) {
    switch (value.type()) {
    case Value::Type::Null:
        return writeError("Property lists cannot hold null values");
    case Value::Type::Bool:
        return Node(plist_new_bool(value.boolValue() ? 1 : 0));
    case Value::Type::Integer:
        return integerNode(value.integerValue());
    case Value::Type::Unsigned: {
        std::uint64_t number = value.unsignedValue();
        if (number <= std::uint64_t(std::numeric_limits<std::int64_t>::max()))
            return integerNode(std::int64_t(number));
        Node node = largeUnsignedNode(number);
        if (!node)
            return writeError("Could not write the unsigned integer " + std::to_string(number));
        return node;
    }
    case Value::Type::Double:
        return Node(plist_new_real(value.doubleValue()));
    case Value::Type::Decimal: {
        const Decimal& decimal = *value.decimal();
        std::int64_t whole = decimal.toInt64();
        if (Decimal(whole) == decimal)
            return integerNode(whole);
        return Node(plist_new_real(decimal.toDouble()));
    }
    case Value::Type::String: {
        const std::string& text = *value.string();
        if (auto problem = unwritableText(text))
            return writeError("Property list strings cannot hold " + *problem);
        return Node(plist_new_string(text.c_str()));
    }
    case Value::Type::Data: {
        const Data& bytes = *value.data();
        return Node(plist_new_data(reinterpret_cast<const char*>(bytes.bytes()), bytes.size()));
    }
    case Value::Type::Date: {
        double since1970 = value.date()->timeIntervalSince1970();
        if (!(since1970 >= earliestDate && since1970 <= latestDate))
            return writeError(
                "Date " + value.description() +
                " is outside the years 1 to 9999 that property lists are written with");
        Node node = dateNode(since1970 - referenceDateOffset);
        if (!node)
            return writeError("Could not write the date " + value.description());
        return node;
    }
    case Value::Type::Array: {
        Node array(plist_new_array());
        for (const auto& item : *value.array()) {
            auto child = toNode(item);
            if (!child)
                return child.error();
            plist_array_append_item(array.get(), child.value().release());
        }
        return array;
    }
    case Value::Type::Dictionary: {
        Node dictionary(plist_new_dict());
        for (const auto& [key, item] : *value.dictionary()) {
            if (auto problem = unwritableText(key))
                return writeError("Property list keys cannot hold " + *problem);
            auto child = toNode(item);
            if (!child)
                return child.error();
            plist_dict_set_item(dictionary.get(), key.c_str(), child.value().release());
        }
        return dictionary;
    }
    }
    return writeError("Property lists cannot hold this value");
}

} // namespace

Result<Value> readPlist(const Data& data) {
    if (data.empty())
        return readError("Property list data is empty");
    if (data.size() > std::numeric_limits<std::uint32_t>::max())
        return readError("Property list data is too large");
    std::span<const std::uint8_t> bytes = data.span();
    bool binary = data.size() >= 8 && std::memcmp(data.bytes(), "bplist", 6) == 0;
    std::string_view text(reinterpret_cast<const char*>(data.bytes()), data.size());
    bool sound = binary ? binaryShapeIsSound(bytes) : xmlNestingIsSound(text);
    if (!sound)
        return readError("Property list is nested too deeply, refers to itself or unfolds into "
                         "too many values");
    plist_t root = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(data.bytes()), std::uint32_t(data.size()),
                      &root);
    Node owner(root);
    if (!root)
        return readError("Data is not an XML or binary property list");
    return toValue(root, 0);
}

Result<Data> writePlist(const Value& value, PlistFormat format) {
    auto root = toNode(value);
    if (!root)
        return root.error();
    char* bytes = nullptr;
    std::uint32_t length = 0;
    if (format == PlistFormat::XML) {
        plist_to_xml(root.value().get(), &bytes, &length);
        std::unique_ptr<char, void (*)(char*)> owner(bytes, plist_to_xml_free);
        if (!bytes)
            return writeError("Could not write the property list as XML");
        return Data(bytes, length);
    }
    plist_to_bin(root.value().get(), &bytes, &length);
    std::unique_ptr<char, void (*)(char*)> owner(bytes, plist_to_bin_free);
    if (!bytes)
        return writeError("Could not write the property list in binary form");
    return Data(bytes, length);
}

} // namespace base
