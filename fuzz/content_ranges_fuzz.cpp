// The server's Unicode ranges for the content tokeniser (first line: the character-delimited
// ranges, second line: the space-delimited ranges, as JSON) and any page text (the rest): a
// range list is taken whole or not at all and stays inside Unicode; the tokens of any text
// under any sets are non-empty UTF-8; a walk's fingerprint is four bytes per kept shingle in
// padded base64url.
#include "ads/foundation/VDCharacterSets.h"
#include "ads/foundation/VDContent.h"
#include "fuzz/FuzzInput.h"
#include "platform/base/Strings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto [characterRanges, rest] = fuzz::firstLine(fuzz::text(data, size));
    auto [spaceRanges, text] = fuzz::firstLine(rest);

    auto character = VDCharacterSets::characterSetFromRanges(characterRanges);
    auto space = VDCharacterSets::characterSetFromRanges(spaceRanges);
    for (const auto* set : {&character, &space})
        if (*set && !(*set)->isEmpty())
            FUZZ_CHECK((*set)->getRangeEnd((*set)->getRangeCount() - 1) <= 0x10FFFF);

    const auto& characterSet =
        character ? *character : *VDCharacterSets::builtInCharacterDelimitedSet();
    const auto& spaceSet = space ? *space : *VDCharacterSets::alphanumericSet();
    for (const auto& paragraph : base::split(text, "\n")) {
        for (const auto& token : VDContent::tokensOfParagraph(paragraph, characterSet, spaceSet)) {
            FUZZ_CHECK(!token.empty());
            FUZZ_CHECK(base::isValidUTF8(token));
        }
    }

    VDContent::Tunables tunables;
    tunables.shingleLength = 1 + size % 4;
    tunables.maximumShingleCount = 1 + size % 12;
    tunables.minimumParagraphLength = 0;
    VDContent content(1, tunables);
    content.updateContentWithText(text);
    const std::string& fingerprint = content.fingerprint();
    FUZZ_CHECK(fingerprint.size() % 4 == 0);
    FUZZ_CHECK(fingerprint.size() <= (4 * tunables.maximumShingleCount + 2) / 3 * 4);
    FUZZ_CHECK(fingerprint.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                             "0123456789-_=") == std::string::npos);
    FUZZ_CHECK(content.heap().count() <= tunables.maximumShingleCount);
    return 0;
}
