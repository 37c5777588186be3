#pragma once

#include "platform/ui/Geometry.h"

#include <optional>
#include <string>

// The device facts every source of them answers (VDDevice is the one the ads client uses).
class VDDeviceSpecifications {
public:
    virtual ~VDDeviceSpecifications() = default;

    virtual bool isJailbroken() = 0;
    virtual std::string systemVersion() const = 0;
    virtual std::string deviceIdentifier() = 0;
    virtual std::string deviceModel() const = 0;
    virtual std::string deviceSubmodel() = 0;
    virtual std::optional<std::string> locale() = 0;
    virtual unsigned audioRoute() = 0;
    virtual bool isOrientationLandscape() const = 0;
    virtual double mainScreenDensity() const = 0;
    virtual ui::Rect portraitScreenBounds() const = 0;
    virtual ui::Rect orientedScreenBounds() const = 0;
    virtual ui::Rect orientedApplicationFrame() const = 0;
};
