#pragma once

#include "platform/ui/InterfaceObject.h"

#include <functional>
#include <string>

namespace ui {

// An object that an interface file connects things to: the file's owner, or an object of the
// file with outlets or actions of its own (a custom root view, a table cell).
class InterfaceFileOwner {
public:
    // An action receives the object that sent it (a control or a bar button item).
    using Action = std::function<void(const InterfaceObject& sender)>;

    virtual ~InterfaceFileOwner() = default;

    // Connects the outlet `name` to `object`. False when there is no such outlet or the
    // object is not of the outlet's kind; the file then fails to load.
    virtual bool setOutlet(const std::string& name, const InterfaceObject& object) {
        (void)name;
        (void)object;
        return false;
    }
    // The action called `name` (without a trailing colon), or an empty function when there
    // is none; the file then fails to load.
    virtual Action actionNamed(const std::string& name) {
        (void)name;
        return {};
    }
};

} // namespace ui
