// The addresses a dialog's page ends at: the client decides a login's token, a dialog's result
// and whether a story was posted without crashing, and the query parameters it reads write back
// the same.
#include "browser/ShareKit.h"
#include "chorus/core/CHSession.h"
#include "chorus/core/CHUtility.h"
#include "chorus/core/CHWebDialogViewController.h"
#include "chorus/dialogs/CHWebDialogs.h"
#include "fuzz/FuzzInput.h"
#include "platform/base/Strings.h"

namespace {

struct Outcomes : SimpleShareKitDelegate {
    void shareKitSharingFinished(std::int32_t code) override { codes.push_back(code); }
    void shareKitSharingFailed(std::int32_t code) override { codes.push_back(-code); }
    std::vector<std::int32_t> codes;
};

bool isText(const CHUtility::Parameters& parameters) {
    for (const auto& [key, value] : parameters)
        if (!base::isValidUTF8(key) || !base::isValidUTF8(value))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(fuzz::text(data, size));

    // Query text read, written and read again gives the same parameters.
    const auto parameters = CHUtility::dictionaryByParsingURLQueryPart(text);
    if (isText(parameters))
        FUZZ_CHECK(CHUtility::dictionaryByParsingURLQueryPart(
                       CHUtility::stringBySerializingQueryParameters(parameters)) == parameters);

    // A completed feed dialog's result: one outcome, a post only with a post_id.
    static auto delegate = std::make_shared<Outcomes>();
    static auto kit = [] {
        auto made = ShareKit::create();
        made->setDelegate(delegate);
        return made;
    }();
    delegate->codes.clear();
    kit->checkmeWithResultUserid(text, size % 2 ? std::optional<std::string>("1") : std::nullopt);
    FUZZ_CHECK(delegate->codes.size() == 1);

    const auto url = base::URL::parse(text);
    if (!url)
        return 0;
    const auto found = CHUtility::parametersOfURL(*url);
    const auto postID = found.find("post_id");
    FUZZ_CHECK((delegate->codes[0] > 0) == (postID != found.end() && !postID->second.empty()));
    (void)CHWebDialogViewController::isRedirect(*url);

    // The login's end: a token exactly when the page gave a non-empty one, lasting from now on.
    const auto token = CHSession::tokenOfLoginRedirect(*url, {"read_friendlists"});
    const auto given = found.find("access_token");
    FUZZ_CHECK(token.ok() == (given != found.end() && !given->second.empty()));
    if (token) {
        FUZZ_CHECK(token->accessToken() == given->second);
        FUZZ_CHECK(token->expirationDate() > token->refreshDate());
    } else {
        FUZZ_CHECK(!token.error().localizedDescription().empty());
    }

    const auto outcome = CHWebDialogs::outcomeOfRedirect(*url);
    FUZZ_CHECK(outcome.error.has_value() == (found.count("error_code") == 1));
    FUZZ_CHECK(outcome.resultURL.has_value() == !outcome.error.has_value());
    return 0;
}
