#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The at-quoted keyword templates of the ad server's URLs: "@keyword@" stands for a value, and
// "@@" for a literal "@" (so "a@@b" is "a@b", and "@@sku@@" is the text "@sku@", no keyword).

// Every "@" doubled.
std::string vd_escapeAts(std::string_view text);
// Every "@" + pattern + "@" that is not part of an escaped "@@" replaced, in place, by the
// replacement (taken literally); the pattern is a regular expression (PCRE2). Nothing happens
// for a pattern that does not compile.
void vd_replaceAtQuotedKeywordPatternWithString(std::string& text, std::string_view pattern,
                                                std::string_view replacement);
// Every keyword left removed ("@[^@]+@" replaced by nothing).
void vd_removeAtQuotedKeywords(std::string& text);
// Every "@@" turned back into "@".
void vd_unescapeAts(std::string& text);

// The template with each keyword replaced by its value (a literal "@" in a value survives),
// every other keyword removed, and "@@" read as "@".
std::string
vd_expandAtQuotedTemplate(std::string_view text,
                          const std::vector<std::pair<std::string, std::string>>& values);
