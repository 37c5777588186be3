// "amsg" URLs as a page sends them, one per input, through the message rules, the SDK-core
// page's handler and the active-view handler. A URL is a message only with the amsg scheme and
// a name; the core handler serves exactly its five names, and its delegate hears a served
// message exactly once; the active-view handler tells its delegate at most once, and only with
// the identifier the message gave.
#include "ads/webview/VDActiveViewAMSGHandler.h"
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

class ActiveViewDelegate : public VDActiveViewAMSGHandlerDelegate {
public:
    int calls = 0;
    std::uint64_t lastID = 0;
    void activeViewAMSGHandlerDidReceiveVisibilityNotificationForActiveViewID(
        VDActiveViewAMSGHandler&, bool, std::uint64_t activeViewID) override {
        ++calls;
        lastID = activeViewID;
    }
    void activeViewAMSGHandlerDidReceiveUntrackNotificationForActiveViewID(
        VDActiveViewAMSGHandler&, std::uint64_t activeViewID) override {
        ++calls;
        lastID = activeViewID;
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

    static auto activeViewHandler = std::make_shared<VDActiveViewAMSGHandler>();
    static auto activeViewDelegate = std::make_shared<ActiveViewDelegate>();
    activeViewHandler->setDelegate(activeViewDelegate);
    activeViewDelegate->calls = 0;
    const bool activeViewServed = activeViewHandler->didReceiveNotification(*note);
    FUZZ_CHECK(activeViewServed == activeViewHandler->handlesMessageNamed(note->name()));
    FUZZ_CHECK(activeViewDelegate->calls <= (activeViewServed ? 1 : 0));
    if (activeViewDelegate->calls == 1) {
        const std::string& hashCode = note->parameters().at(VDActiveViewAMSGHandler::hashCodeKey);
        FUZZ_CHECK(!hashCode.empty() &&
                   hashCode.find_first_not_of("0123456789") == std::string::npos);
        FUZZ_CHECK(hashCode.find_first_not_of('0') == std::string::npos
                       ? activeViewDelegate->lastID == 0
                       : hashCode.substr(hashCode.find_first_not_of('0')) ==
                             std::to_string(activeViewDelegate->lastID));
    }
    return 0;
}
