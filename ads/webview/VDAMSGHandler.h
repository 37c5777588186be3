#pragma once

#include "ads/webview/VDNotification.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

// The base of every handler on the "amsg" bus. A subclass answers actionBlockDictionary()
// with the message names it serves, each with the block that serves it; the bus hands every
// incoming message to didReceiveNotification(), which runs the block of its name.
class VDAMSGHandler {
public:
    // The block gets the handler it belongs to (a subclass casts it back to itself) and the
    // parsed message.
    using ActionBlock = std::function<void(VDAMSGHandler& handler, const VDNotification& note)>;
    using ActionBlockDictionary = std::map<std::string, ActionBlock, std::less<>>;

    virtual ~VDAMSGHandler() = default;

    // The same dictionary for every instance of a subclass, made once.
    virtual const ActionBlockDictionary& actionBlockDictionary() const = 0;

    bool handlesMessageNamed(std::string_view name) const;
    // Runs the block whose name is the message's; false, running nothing, when there is none.
    bool didReceiveNotification(const VDNotification& note);
};
