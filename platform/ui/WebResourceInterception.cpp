#include "platform/ui/WebResourceInterception.h"

#include "platform/base/RunLoop.h"

#include <algorithm>

namespace ui {

namespace {

struct State {
    std::vector<std::string> fileNames;
    WebResourceInterception::Handler handler;
    WebResourceInterception::Observer observer;
    bool active = false;
};

// Main thread only.
State& state() {
    static State value;
    return value;
}

void changed() {
    if (auto observer = state().observer)
        observer();
}

} // namespace

void WebResourceInterception::install(std::vector<std::string> fileNames, Handler handler) {
    base::assertMainThread();
    state().fileNames = std::move(fileNames);
    state().handler = std::move(handler);
    changed();
}

void WebResourceInterception::setActive(bool active) {
    base::assertMainThread();
    if (state().active == active)
        return;
    state().active = active;
    changed();
}

bool WebResourceInterception::isActive() {
    return state().active;
}

const std::vector<std::string>& WebResourceInterception::fileNames() {
    return state().fileNames;
}

bool WebResourceInterception::intercepts(const base::URL& url) {
    if (!state().active || !state().handler)
        return false;
    const std::string& path = url.path();
    const std::string name = path.substr(path.find_last_of('/') + 1);
    const auto& names = state().fileNames;
    return !name.empty() && std::find(names.begin(), names.end(), name) != names.end();
}

std::optional<WebResourceInterception::Resource>
WebResourceInterception::resourceForURL(const base::URL& url, WebView* webView) {
    base::assertMainThread();
    if (!state().handler)
        return std::nullopt;
    return state().handler(url, webView);
}

void WebResourceInterception::setObserver(Observer observer) {
    state().observer = std::move(observer);
}

void WebResourceInterception::reset() {
    state() = State();
}

} // namespace ui
