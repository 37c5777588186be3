#include "platform/ui/WebEngineFactory.h"

#include "platform/testing/FakeWebEngine.h"

#include <mutex>
#include <stdexcept>
#include <utility>

namespace ui {

namespace {

std::mutex& factoryMutex() {
    static std::mutex mutex;
    return mutex;
}

WebEngineFactory::Maker& installedMaker() {
    static WebEngineFactory::Maker maker;
    return maker;
}

} // namespace

std::unique_ptr<WebEngine> WebEngineFactory::create(WebEngine* relatedTo) {
    Maker maker;
    {
        std::lock_guard lock(factoryMutex());
        maker = installedMaker();
    }
    if (!maker)
        throw std::logic_error("no web engine is installed: install one with "
                               "ui::WebEngineFactory::install before making a web view");
    auto engine = maker(relatedTo);
    if (!engine)
        throw std::runtime_error("the installed web engine maker made no engine");
    return engine;
}

WebEngineFactory::Maker WebEngineFactory::install(Maker maker) {
    std::lock_guard lock(factoryMutex());
    return std::exchange(installedMaker(), std::move(maker));
}

} // namespace ui
