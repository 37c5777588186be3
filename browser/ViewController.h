#pragma once

#include "browser/BrowserViewController.h"

#include <memory>
#include <string>

// A browser screen of its own class that adds nothing to it. Made in code only: its name would
// replace the platform's own "ViewController" class in interface files.
class ViewController : public BrowserViewController {
public:
    using BrowserViewController::BrowserViewController;
    static std::shared_ptr<ViewController> create(std::string nibName = {});
    std::string className() const override { return "ViewController"; }
};
