#include "browser/ViewController.h"

std::shared_ptr<ViewController> ViewController::create(std::string nibName) {
    if (nibName.empty())
        nibName = interfaceFileForCurrentDevice();
    return std::make_shared<ViewController>(Private{}, std::move(nibName));
}
