#pragma once

#include "platform/base/URL.h"

// What carries out a creative's click actions (the presentation layer's VDOpener).
class VDClickActionOpener {
public:
    virtual ~VDClickActionOpener() = default;

    // Opens what the click leads to; `userInitiated` when the page navigated because the user
    // clicked or submitted. False when nothing was opened.
    virtual bool openClickURL(const base::URL& url, bool userInitiated) = 0;
};
