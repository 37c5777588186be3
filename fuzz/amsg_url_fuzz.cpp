// "amsg" URLs as a page sends them, one per input, through the message rules and the SDK-core
// page's handler. A URL is a message only with the amsg scheme and a name; the handler serves
// exactly its five names, and its delegate hears a served message exactly once.
#include "ads/webview/VDNotification.h"
#include "ads/webview/VDSDKCoreAMSGHandler.h"
#include "fuzz/FuzzInput.h"
#include "platform/base/RunLoop.h"

namespace {

class CountingDelegate : public VDSDKCoreAMSGHandlerDelegate {
public:
    int calls = 0;
    void
    SDKCoreAMSGHandlerLoadAdURLWithRequestIDParameters(VDSDKCoreAMSGHandler&, const std::string&,
                                                       const base::Value::Dictionary&) override {
        ++calls;
    }
    void SDKCoreAMSGHandlerLoadAdWithRequestIDParameters(VDSDKCoreAMSGHandler&, const std::string&,
                                                         const base::Value::Dictionary&) override {
        ++calls;
    }
    void SDKCoreAMSGHandlerDidReceiveInvalidAdWithRequestIDParameters(
        VDSDKCoreAMSGHandler&, const std::string&, const base::Value::Dictionary&) override {
        ++calls;
    }
    void SDKCoreAMSGHandlerDidLoadSDKConstants(VDSDKCoreAMSGHandler&,
                                               const base::Value::Dictionary&) override {
        ++calls;
    }
    void SDKCoreAMSGHandlerDidReceiveSDKCoreUpdateNotification(VDSDKCoreAMSGHandler&) override {
        ++calls;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto handler = VDSDKCoreAMSGHandler::create();
    static auto delegate = std::make_shared<CountingDelegate>();
    handler->setDelegate(delegate);

    auto url = base::URL::parse(fuzz::text(data, size));
    if (!url)
        return 0;
    auto note = VDNotification::notificationWithURL(*url);
    if (!note)
        return 0;
    FUZZ_CHECK(VDNotification::isNotificationURL(*url));
    FUZZ_CHECK(!note->name().empty() && note->name().front() != '/');
    for (const auto& [key, value] : note->parametersDictionary())
        FUZZ_CHECK(value.string() && note->parameters().at(key) == *value.string());

    delegate->calls = 0;
    const bool served = handler->didReceiveNotification(*note);
    base::RunLoop::main().runUntilIdle();
    FUZZ_CHECK(served == handler->handlesMessageNamed(note->name()));
    FUZZ_CHECK(delegate->calls == (served ? 1 : 0));
    return 0;
}
