#pragma once

#include <functional>
#include <memory>

namespace ui {

class WebEngine;

// Makes the engine of each new WebView. The program installs the real engine's maker at
// start-up (gtk::GtkPlatform::install), tests install the engine they drive. There is no
// default engine: making a web view while none is installed throws std::logic_error.
class WebEngineFactory {
public:
    // `relatedTo`, when given, is the engine of a web view the new one should share its web
    // process with (pooled and hidden views), as far as the engine can.
    using Maker = std::function<std::unique_ptr<WebEngine>(WebEngine* relatedTo)>;

    WebEngineFactory() = delete;

    // Throws std::logic_error when no maker is installed, and std::runtime_error when the
    // maker makes no engine.
    static std::unique_ptr<WebEngine> create(WebEngine* relatedTo = nullptr);
    // Installs the maker for the whole process and returns the one it replaces (empty when
    // there was none). An empty maker uninstalls.
    static Maker install(Maker maker);
    // No engine installed any more (tests).
    static void reset() { install({}); }
};

} // namespace ui
