#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace base {

// An address as a person types it, with non-ASCII characters, in the ASCII form a URL needs:
// the host's labels in their IDNA form (UTS #46: "bücher.example" → "xn--bcher-kva.example",
// full-width letters and dots folded) and every other non-ASCII character percent-escaped in
// UTF-8 ("/straße" → "/stra%C3%9Fe"). ASCII text comes back unchanged, whether it makes a URL or
// not. nullopt when the host has no IDNA form (spaces, symbols, broken UTF-8).
//
// The address is "scheme://authority/rest" or, without "://", "authority/rest"; the authority
// ends at the first "/", "?" or "#" and may hold "user@" and ":port" around the host.
std::optional<std::string> asciiAddress(std::string_view text);

} // namespace base
