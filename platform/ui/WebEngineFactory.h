#pragma once

#include <functional>
#include <memory>

namespace ui {

class WebEngine;

// Makes the engine of each new WebView. The program installs the real engine's maker at
// start-up; until then (and in unit tests) every web view gets a FakeWebEngine.
class WebEngineFactory {
public:
    // `relatedTo`, when given, is the engine of a web view the new one should share its web
    // process with (pooled and hidden views), as far as the engine can.
    using Maker = std::function<std::unique_ptr<WebEngine>(WebEngine* relatedTo)>;

    WebEngineFactory() = delete;

    static std::unique_ptr<WebEngine> create(WebEngine* relatedTo = nullptr);
    // Installs the maker for the whole process and returns the one it replaces (empty for
    // the default). An empty maker goes back to the default.
    static Maker install(Maker maker);
    // Back to the default maker (tests).
    static void reset() { install({}); }
};

} // namespace ui
