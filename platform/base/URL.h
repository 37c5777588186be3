#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace base {

// A URL reference (RFC 3986): an absolute URL of any scheme ("https://host/a?b#c",
// "about:blank", "js:gh-page-loaded", "itms-apps://host/app/id1", "file:///tmp/x") or a
// relative one with no scheme ("host.tld", "../page.html", "//host/x", "?q", "#top").
//
// The text is kept exactly as given: absoluteString() gives it back byte for byte and no
// component is re-encoded or normalised (no lower-casing of host or scheme, no added "/", no
// removal of default ports or of dot segments). Only resolve() builds new text, following
// RFC 3986 section 5. Two URLs are equal when their texts are.
//
// What parses: text of the characters URLs may contain (letters, digits, "-._~", the delimiters
// ":/?#@!$&'()*+,;=" and "%" followed by two hex digits), at most one "#", "[" and "]" only around
// an IP literal host, and an authority that libcurl's URL parser accepts (host syntax, port
// 0-65535, IPv6 literal). Anything else (spaces, quotes, non-ASCII, a stray "%", a malformed
// authority, empty text) is malformed and gives nullopt, as the platform gave nil; escape such
// text first with base::percentEscape.
//
// Components are returned as written, percent escapes intact, except where said otherwise.
class URL {
public:
    static std::optional<URL> parse(std::string_view text);

    // A "file://" URL for a file-system path; a relative path is taken from the current
    // directory. Characters that may not stand in a URL path are percent-escaped. No "/" is
    // added for directories.
    static URL fileURL(std::string_view path);

    // The reference resolved against this URL as base (RFC 3986 section 5.2, strict), or
    // nullopt when the reference does not parse.
    std::optional<URL> resolve(std::string_view reference) const;

    const std::string& absoluteString() const { return text_; }

    // Lower-cased; empty for a relative reference.
    const std::string& scheme() const { return scheme_; }
    // The host as libcurl reads it: escapes in a name decoded, an IPv6 literal without its
    // brackets or zone. Empty when there is none.
    const std::string& host() const { return host_; }
    // Only a port written in the URL; no default port is assumed for the scheme.
    std::optional<int> port() const { return port_; }
    const std::string& user() const { return user_; }
    const std::string& password() const { return password_; }
    // For "about:blank" the path is "blank".
    const std::string& path() const { return path_; }
    // nullopt when there is no "?"; an empty string for a bare "?".
    const std::optional<std::string>& query() const { return query_; }
    const std::optional<std::string>& fragment() const { return fragment_; }

    bool isFileURL() const { return scheme_ == "file"; }
    // The path of a file URL with escapes decoded; nullopt for other URLs.
    std::optional<std::string> fileSystemPath() const;
    // The last non-empty segment of the path, decoded ("/a/b/" → "b"); "/" for the root path;
    // empty for an empty path.
    std::string lastPathComponent() const;
    // What follows the last "." of lastPathComponent(); empty when there is none or when the
    // only "." starts the name (".profile").
    std::string pathExtension() const;

    friend bool operator==(const URL& a, const URL& b) { return a.text_ == b.text_; }

private:
    URL() = default;
    // parse() without its refusal of empty text, which resolve() takes as "the base itself".
    static std::optional<URL> parseReference(std::string_view text);

    std::string text_;
    std::string rawScheme_; // as written, for resolve()
    std::string scheme_;
    bool hasAuthority_ = false; // "//" after the scheme, even with nothing after it
    std::string authority_;
    std::string host_;
    std::optional<int> port_;
    std::string user_;
    std::string password_;
    std::string path_;
    std::optional<std::string> query_;
    std::optional<std::string> fragment_;
};

} // namespace base
