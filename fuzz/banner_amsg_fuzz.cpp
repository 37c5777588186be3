// Any URL a creative's page navigates to, one per input, through a banner's ad view with the
// message handlers its slot's delegate adds (on the fake engine, on a manual clock). An "amsg"
// URL never loads; whatever its parameters, the slot is only ever asked to ping or open
// absolute http(s) URLs that the message itself carried, an open is always signed first and
// happens at most once, an app event has the name it was sent with, a page-load delay never
// outlives its longest time-out, and a precache name never leads out of the temporary directory.
// Precache messages that would download are checked without downloading: a fuzz run never
// reaches the network.
#include "ads/foundation/VDDevice.h"
#include "ads/webview/VDAMSGParameters.h"
#include "ads/webview/VDAdView.h"
#include "ads/webview/VDBannerAdViewDelegate.h"
#include "ads/webview/VDDelayPageLoadAMSGHandler.h"
#include "ads/webview/VDMRAIDEventHandling.h"
#include "ads/webview/VDNotification.h"
#include "ads/webview/VDPrecacheAMSGHandler.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "fuzz/FuzzInput.h"
#include "platform/base/AppHome.h"
#include "platform/base/Clock.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/FakeWebEngine.h"

#include <set>

namespace {

bool isWebURL(const base::URL& url) {
    return !url.host().empty() && (url.scheme() == "http" || url.scheme() == "https");
}

// Records what the handlers ask of the slot and of the opener.
class Slot final : public VDAdViewSlot, public VDMRAIDEventHandling {
public:
    bool isRenderingAd() const override { return false; }
    bool hasValidAd() const override { return true; }
    bool requestsInterstitialAd() const override { return false; }
    std::shared_ptr<VDMRAIDEventHandling> currentAdMRAIDEventHandler() const override {
        return nullptr;
    }
    void didReceiveValidAd() override { FUZZ_CHECK(false); }
    void didLoadAdHTMLInWebView() override { FUZZ_CHECK(false); }
    void didMakeAdImpression() override { FUZZ_CHECK(false); }
    void adFinishedLoadingContent() override { FUZZ_CHECK(false); }
    void didFailToLoadAdHTMLInWebView(const base::Error&) override { FUZZ_CHECK(false); }
    base::URL spamClickURLWithURL(const base::URL& url) override {
        FUZZ_CHECK(isWebURL(url));
        signedURLs.insert(url.absoluteString());
        return url;
    }
    void adWasClicked() override { ++clicks; }
    const std::shared_ptr<VDAdView>& adView() const override { return view; }
    void trackURL(const base::URL& url) override {
        FUZZ_CHECK(isWebURL(url));
        tracked.push_back(url.absoluteString());
    }
    void didReceiveAppEventWithInfo(const std::string& name,
                                    const std::optional<std::string>&) override {
        FUZZ_CHECK(!name.empty());
        appEvents.push_back(name);
    }
    void adNetworkDidPassBackToURL(const base::URL&) override { FUZZ_CHECK(false); }
    bool openAdAppWithURL(const base::URL& url) override {
        FUZZ_CHECK(isWebURL(url));
        return true;
    }

    void MRAIDAdDidLoad() override {}
    void MRAIDAdDidUnload() override {}
    void updateVisibility(bool) override {}
    void updatePositionFromView(const std::shared_ptr<ui::View>&) override {}

    std::shared_ptr<VDAdView> view;
    std::set<std::string> signedURLs;
    std::vector<std::string> tracked;
    std::vector<std::string> opened;
    std::vector<std::string> appEvents;
    int clicks = 0;
};

// The opener opens into the slot's record (the handlers hold it, and the ad view holds them).
class Opener final : public VDClickActionOpener {
public:
    explicit Opener(std::weak_ptr<Slot> slot)
        : slot_(std::move(slot)) {}
    bool openClickURL(const base::URL& url, bool) override {
        auto slot = slot_.lock();
        FUZZ_CHECK(slot && isWebURL(url));
        FUZZ_CHECK(slot->signedURLs.count(url.absoluteString()) == 1);
        slot->opened.push_back(url.absoluteString());
        return true;
    }

private:
    std::weak_ptr<Slot> slot_;
};

// The URL strings the message carries for `key`, as a handler would read them.
std::optional<std::string> webURLString(const VDNotification& note, const char* key) {
    auto url = VDAMSGParameters::webURL(note, key);
    return url ? std::optional(url->absoluteString()) : std::nullopt;
}

// A precache message that would start a download, checked without one.
bool checkPrecacheWithoutDownloading(const VDNotification& note) {
    auto url = VDAMSGParameters::webURL(note, "u");
    if (note.name() != VDPrecacheAMSGHandler::precacheMessage || !url)
        return false;
    auto given = VDAMSGParameters::string(note, "n");
    if (!given)
        return true;
    auto name = VDPrecacheAMSGHandler::safeFileName(*given);
    if (!name)
        return false; // refused without a download: it goes through the handler
    FUZZ_CHECK(*name == *given);
    const auto path = VDPrecacheAMSGHandler::precachePathForFileName(*name);
    const auto directory = VDDevice::sharedInstance()->temporaryPathWithCreation(false);
    FUZZ_CHECK(path.lexically_normal().parent_path() == directory.lexically_normal());
    FUZZ_CHECK(path.filename() == *name);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::useScratchDefaults();
    static fuzz::ScratchFile home("home");
    static const bool prepared = [] {
        base::AppHome::install(home.folder());
        base::RunLoop::main().useManualClock(std::make_shared<base::ManualClock>());
        ui::WebEngineFactory::install(ui::FakeWebEngine::maker());
        return true;
    }();
    (void)prepared;

    auto url = base::URL::parse(fuzz::text(data, size));
    if (!url || !VDNotification::isNotificationURL(*url))
        return 0;
    auto note = VDNotification::notificationWithURL(*url);
    if (note && checkPrecacheWithoutDownloading(*note))
        return 0;

    [&] {
        auto slot = std::make_shared<Slot>();
        slot->view = VDAdView::create(ui::Rect(0, 0, 320, 50));
        slot->view->configureAsBannerAdView();
        auto delegate =
            VDBannerAdViewDelegate::createWithSlot(slot, std::make_shared<Opener>(slot));
        slot->view->setDelegate(delegate);
        slot->view->loadHTMLStringBaseURL("<p>ad</p>", std::nullopt);
        auto& page = ui::FakeWebEngine::of(*slot->view->webView());
        page.raiseStartLoad();
        page.raiseFinishLoad();
        slot->view->setHidden(false);
        slot->view->setTouched(true);

        // A message never loads, in a hidden frame or as the page itself.
        FUZZ_CHECK(page.raiseNavigation(*url, ui::WebViewNavigationType::Other, false) == false);
        base::RunLoop::main().runUntilIdle();

        // Whatever a message asked, it asked with its own URLs.
        std::set<std::string> carried;
        if (note)
            for (const char* key : {"u", "t"})
                if (auto carriedURL = webURLString(*note, key))
                    carried.insert(*carriedURL);
        for (const auto& tracked : slot->tracked)
            FUZZ_CHECK(carried.count(tracked) == 1);
        for (const auto& opened : slot->opened)
            FUZZ_CHECK(carried.count(opened) == 1);
        if (!note) {
            FUZZ_CHECK(slot->tracked.empty() && slot->opened.empty() && slot->appEvents.empty());
            return;
        }
        FUZZ_CHECK(slot->tracked.size() <= 1 || note->name() == "click");
        FUZZ_CHECK(slot->tracked.size() <= 2);
        FUZZ_CHECK(slot->opened.size() <= 1);
        FUZZ_CHECK(slot->clicks <= 1);
        if (slot->clicks == 1)
            FUZZ_CHECK(note->name() == "openApp" && slot->opened.size() == 1);
        if (!slot->appEvents.empty()) {
            FUZZ_CHECK(slot->appEvents.size() == 1 && note->name() == "app");
            FUZZ_CHECK(VDAMSGParameters::string(*note, "name") == slot->appEvents.front());
        }

        // A delay ends by itself within its longest time-out.
        base::RunLoop::main().advance(VDDelayPageLoadAMSGHandler::maximumTimeout +
                                      base::Seconds(1));
        base::RunLoop::main().runUntilIdle();
        FUZZ_CHECK(!delegate->isPageLoadDelayPending());
    }();
    // The ad view's web view went back to the pool: the pool goes with this input, while the
    // services it observes still live (not at the program's exit).
    base::resetProcessServicesForTesting();
    base::RunLoop::main().runUntilIdle();
    return 0;
}
