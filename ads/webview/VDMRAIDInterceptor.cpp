#include "ads/webview/VDMRAIDInterceptor.h"

#include "ads/webview/VDAdView.h"
#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/WebResourceInterception.h"
#include "platform/ui/WebView.h"

#include <mutex>
#include <utility>

namespace {

struct ClassState {
    std::mutex lock;
    bool registered = false;
    bool allowed = false;
    long canInitCount = 0;
    std::optional<std::string> bannerPath;
    std::optional<std::string> interstitialPath;
    std::optional<std::string> expandedBannerPath;
};

ClassState& classState() {
    static ClassState state;
    return state;
}

// The engines' side of the class state, applied on the main thread: interception is active
// while the interceptor is allowed and some load wants it.
void applyToEngines() {
    auto apply = [] {
        auto& state = classState();
        bool active;
        bool registered;
        {
            std::lock_guard guard(state.lock);
            active = state.registered && state.allowed && state.canInitCount > 0;
            registered = state.registered;
        }
        if (registered && ui::WebResourceInterception::fileNames().empty())
            ui::WebResourceInterception::install({VDMRAIDInterceptor::scriptFileName},
                                                 &VDMRAIDInterceptor::scriptForRequest);
        ui::WebResourceInterception::setActive(active);
    };
    if (base::isMainThread())
        apply();
    else
        base::RunLoop::main().dispatch(apply);
}

// The class set-up: what runs before the first message reaches the class. The caller holds
// the class lock.
void setUpClassIfNeeded(ClassState& state) {
    if (state.registered)
        return;
    state.registered = true;
    state.bannerPath.reset();
    state.interstitialPath.reset();
    state.expandedBannerPath.reset();
    state.allowed = true;
}

void setPath(std::optional<std::string> ClassState::*member, std::optional<std::string> path) {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    setUpClassIfNeeded(state);
    state.*member = std::move(path);
}

std::optional<std::string> path(std::optional<std::string> ClassState::*member) {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    return state.*member;
}

} // namespace

void VDMRAIDInterceptor::allow() {
    {
        auto& state = classState();
        std::lock_guard guard(state.lock);
        setUpClassIfNeeded(state);
        state.allowed = true;
    }
    applyToEngines();
}

void VDMRAIDInterceptor::disallow() {
    {
        auto& state = classState();
        std::lock_guard guard(state.lock);
        setUpClassIfNeeded(state);
        state.allowed = false;
    }
    applyToEngines();
}

bool VDMRAIDInterceptor::isAllowed() {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    return state.allowed;
}

void VDMRAIDInterceptor::enableCanInitWithRequest() {
    {
        auto& state = classState();
        std::lock_guard guard(state.lock);
        setUpClassIfNeeded(state);
        ++state.canInitCount;
    }
    applyToEngines();
}

void VDMRAIDInterceptor::disableCanInitWithRequest() {
    {
        auto& state = classState();
        std::lock_guard guard(state.lock);
        setUpClassIfNeeded(state);
        if (state.canInitCount > 0)
            --state.canInitCount;
    }
    applyToEngines();
}

long VDMRAIDInterceptor::canInitWithRequestCount() {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    return state.canInitCount;
}

bool VDMRAIDInterceptor::isRegistered() {
    auto& state = classState();
    std::lock_guard guard(state.lock);
    return state.registered;
}

void VDMRAIDInterceptor::setBannerImplementationPath(std::optional<std::string> value) {
    setPath(&ClassState::bannerPath, std::move(value));
}

void VDMRAIDInterceptor::setInterstitialImplementationPath(std::optional<std::string> value) {
    setPath(&ClassState::interstitialPath, std::move(value));
}

void VDMRAIDInterceptor::setExpandedBannerImplementationPath(std::optional<std::string> value) {
    setPath(&ClassState::expandedBannerPath, std::move(value));
}

std::optional<std::string> VDMRAIDInterceptor::bannerImplementationPath() {
    return path(&ClassState::bannerPath);
}

std::optional<std::string> VDMRAIDInterceptor::interstitialImplementationPath() {
    return path(&ClassState::interstitialPath);
}

std::optional<std::string> VDMRAIDInterceptor::expandedBannerImplementationPath() {
    return path(&ClassState::expandedBannerPath);
}

void VDMRAIDInterceptor::resetForTesting() {
    if (base::isMainThread()) {
        ui::WebResourceInterception::install({}, {});
        ui::WebResourceInterception::setActive(false);
    }
    auto& state = classState();
    std::lock_guard guard(state.lock);
    state.registered = false;
    state.allowed = false;
    state.canInitCount = 0;
    state.bannerPath.reset();
    state.interstitialPath.reset();
    state.expandedBannerPath.reset();
}

std::optional<ui::WebResourceInterception::Resource>
VDMRAIDInterceptor::scriptForRequest(const base::URL&, ui::WebView* webView) {
    auto adView = webView ? std::dynamic_pointer_cast<VDAdView>(webView->superview()) : nullptr;
    std::optional<std::string> path;
    if (!adView || adView->isBannerAdView())
        path = adView && adView->isExpandedBannerAdView() ? expandedBannerImplementationPath()
                                                          : bannerImplementationPath();
    else
        path = interstitialImplementationPath();
    std::optional<std::string> text;
    if (path) {
        if (auto data = base::readFile(*path))
            text = data->toString();
    } else if (auto builtIn = base::Bundle::main().textOfResource("mraid", "js")) {
        text = builtIn.valueOr("");
    }
    if (!text)
        return std::nullopt;
    return ui::WebResourceInterception::Resource{"text/javascript",
                                                 base::Data(text->data(), text->size())};
}
