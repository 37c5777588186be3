#pragma once

#include "ads/webview/VDAMSGHandler.h"

// The block of an action dictionary that runs a member function of the handler subclass H.
template <class H, void (H::*action)(const VDNotification&)>
VDAMSGHandler::ActionBlock VDAMSGHandlerBlock() {
    return [](VDAMSGHandler& handler, const VDNotification& note) {
        (static_cast<H&>(handler).*action)(note);
    };
}
