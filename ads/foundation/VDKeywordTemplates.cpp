#include "ads/foundation/VDKeywordTemplates.h"

#include "platform/base/Regex.h"
#include "platform/base/Strings.h"

namespace {

// "@" + keyword + "@", with an even run of "@" (escaped ones) kept on either side, and no
// further "@" just before either quote, so that "@@" never opens or closes a keyword.
std::string keywordExpression(std::string_view pattern) {
    return "(?<!@)((?:@@)*)@" + std::string(pattern) + "(?<!@)((?:@@)*)@";
}

// The replacement as a template that stands for itself. Digits are escaped too, so that none
// can lengthen the group number written just before them.
std::string literalTemplate(std::string_view replacement) {
    std::string escaped;
    for (char c : replacement) {
        if (c == '\\' || c == '$' || (c >= '0' && c <= '9'))
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// Replaces every match, keeping the escaped "@" runs on either side. The keyword pattern may
// hold groups of its own, so the trailing run is the last group.
void replaceKeywords(std::string& text, const base::Regex& expression,
                     std::string_view replacement) {
    text = expression.replace(text, "$1" + literalTemplate(replacement) + "$" +
                                        std::to_string(expression.numberOfCaptureGroups()));
}

} // namespace

std::string vd_escapeAts(std::string_view text) {
    return base::replaceAll(text, "@", "@@");
}

void vd_replaceAtQuotedKeywordPatternWithString(std::string& text, std::string_view pattern,
                                                std::string_view replacement) {
    auto expression = base::Regex::compile(keywordExpression(pattern));
    if (!expression)
        return;
    replaceKeywords(text, expression.value(), replacement);
}

void vd_removeAtQuotedKeywords(std::string& text) {
    static const auto anyKeyword = base::Regex::compile(keywordExpression("[^@]+"));
    replaceKeywords(text, anyKeyword.value(), "");
}

void vd_unescapeAts(std::string& text) {
    text = base::replaceAll(text, "@@", "@");
}

std::string
vd_expandAtQuotedTemplate(std::string_view text,
                          const std::vector<std::pair<std::string, std::string>>& values) {
    std::string expanded(text);
    for (const auto& [keyword, value] : values)
        vd_replaceAtQuotedKeywordPatternWithString(expanded, keyword, vd_escapeAts(value));
    vd_removeAtQuotedKeywords(expanded);
    vd_unescapeAts(expanded);
    return expanded;
}
