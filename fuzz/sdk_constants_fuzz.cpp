// The server's SDK constants as the core page sends them: one "key=value" line each (values are
// strings, as the page's "amsg" message carries them). The controller keeps only what is in
// range: the unload cache size a whole number from 1 to its maximum, the sampling intervals
// within their bounds, only string titles as confirm schemes; a stored constant is the text sent.
#include "ads/request/VDSDKCoreController.h"
#include "ads/webview/VDSDKCoreWebView.h"
#include "fuzz/FuzzInput.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/FakeWebEngine.h"

#include <map>

namespace {

bool withinSamplingBounds(double seconds, double initial) {
    return seconds == initial || (seconds >= VDSDKCoreController::minimumSamplingInterval &&
                                  seconds <= VDSDKCoreController::maximumSamplingInterval);
}

std::string storedName(const std::string& key) {
    return VDSDKCoreController::userDefaultsKeyPrefix + key;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::useScratchDefaults();
    // The core page's web view runs on the fake engine: a fuzz run loads no page.
    static const bool engineInstalled = [] {
        ui::WebEngineFactory::install(ui::FakeWebEngine::maker());
        return true;
    }();
    (void)engineInstalled;
    static auto controller = VDSDKCoreController::create();

    base::Value::Dictionary constants;
    for (std::string_view rest = fuzz::text(data, size); !rest.empty();) {
        auto [line, next] = fuzz::firstLine(rest);
        rest = next;
        auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        constants.insert_or_assign(std::string(line.substr(0, equals)),
                                   base::Value(std::string(line.substr(equals + 1))));
    }
    auto defaults = base::UserDefaults::standard();
    defaults->removeObjectForKey(VDSDKCoreController::clickthroughConfirmSchemesKey);
    std::map<std::string, base::Value> before;
    for (const auto& [key, value] : constants)
        before.emplace(key, defaults->objectForKey(storedName(key)));

    controller->SDKCoreAMSGHandlerDidLoadSDKConstants(
        *controller->activeSDKCoreWebView()->SDKCoreAMSGHandler(), constants);
    base::RunLoop::main().runUntilIdle();
    controller->waitForQueuesForTesting();

    const auto cacheSize = controller->activeViewUnloadCacheMaxSize();
    FUZZ_CHECK(cacheSize >= 1 &&
               cacheSize <= VDSDKCoreController::maximumActiveViewUnloadCacheSize);
    FUZZ_CHECK(withinSamplingBounds(controller->activeViewSamplingInterval(), 0.4));
    FUZZ_CHECK(withinSamplingBounds(controller->swipeToViewSamplingInterval(), 0));
    FUZZ_CHECK(!controller->SDKConstantsNeedReload());
    if (auto schemes =
            defaults->dictionaryForKey(VDSDKCoreController::clickthroughConfirmSchemesKey)) {
        FUZZ_CHECK(!schemes->empty());
        for (const auto& [scheme, title] : *schemes)
            FUZZ_CHECK(title.string() != nullptr);
    }
    // A constant is stored as it was sent or not at all (the preferences file refuses text that
    // is not UTF-8 or holds a NUL), and only under its own name: the page cannot point the ads
    // client at another core page.
    for (const auto& [key, value] : constants) {
        if (storedName(key) == VDSDKCoreController::clickthroughConfirmSchemesKey)
            continue; // decoded, checked above
        const base::Value stored = defaults->objectForKey(storedName(key));
        FUZZ_CHECK(stored == before.at(key) || stored == value);
    }
    FUZZ_CHECK(defaults->objectForKey(VDSDKCoreWebView::SDKCoreURLKey) == base::Value());
    return 0;
}
