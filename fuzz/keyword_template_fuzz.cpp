// At-quoted keyword templates of the ad server's URLs: the first line is a template, the second
// a keyword and the third its value. Expanding never crashes; text whose "@" are all escaped
// comes back as it was; a value put in through the template rules survives whole, "@" and all.
#include "ads/foundation/VDKeywordTemplates.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto [templateText, rest] = fuzz::firstLine(fuzz::text(data, size));
    auto [keyword, more] = fuzz::firstLine(rest);
    auto value = fuzz::firstLine(more).first;

    (void)vd_expandAtQuotedTemplate(templateText, {{std::string(keyword), std::string(value)}});
    FUZZ_CHECK(vd_expandAtQuotedTemplate(vd_escapeAts(templateText), {}) == templateText);

    // A keyword of plain letters, in a template of escaped text around it.
    bool plain = !keyword.empty();
    for (char c : keyword)
        plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    if (plain) {
        const std::string around = vd_escapeAts(templateText);
        const std::string text = around + "@" + std::string(keyword) + "@" + around;
        FUZZ_CHECK(vd_expandAtQuotedTemplate(text, {{std::string(keyword), std::string(value)}}) ==
                   std::string(templateText) + std::string(value) + std::string(templateText));
    }
    return 0;
}
