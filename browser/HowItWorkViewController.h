#pragma once

#include "browser/ShareKit.h"
#include "browser/SimpleShareKitDelegate.h"
#include "platform/ui/InterfaceObject.h"
#include "platform/ui/ViewController.h"

#include <cstdint>
#include <memory>
#include <string>

// The "About Us" screen: shares the application on Chorus and Twitter or by mail through its
// own ShareKit, and opens the application's store page. No screen of the browser opens it; an
// interface file can make it (as "HowItWorkViewController") and wire its buttons to
// chorus_share, twitter_share, mail_view and brws_url (resources/HowItWork.ui.json does).
//
// Inside a side-menu container (a parent of its navigation controller that has the actions
// "revealGesture" and "revealToggle"), it shows a menu button that toggles the menu.
// Main thread only.
class HowItWorkViewController : public ui::ViewController, public SimpleShareKitDelegate {
    struct Private {};

public:
    static constexpr const char* interfaceClassName = "HowItWorkViewController";
    static constexpr const char* interfaceFile = "HowItWork";

    static std::shared_ptr<HowItWorkViewController> create(std::string nibName = interfaceFile);
    HowItWorkViewController(Private, std::string nibName);
    ~HowItWorkViewController() override;
    std::string className() const override { return interfaceClassName; }

    const std::shared_ptr<ShareKit>& share() const { return share_; }

    void viewDidLoad() override;

    void chorus_share(const ui::InterfaceObject& sender);
    void twitter_share(const ui::InterfaceObject& sender);
    void mail_view(const ui::InterfaceObject& sender);
    // A sender with a tag other than 0 pops the navigation to its root; otherwise (code
    // included) the application's store page opens.
    void brws_url(const ui::InterfaceObject& sender);

    // Each outcome shows in an alert with the message of its code; no interstitial follows.
    void shareKitSharingFinished(std::int32_t code) override;
    void shareKitSharingFailed(std::int32_t code) override;

    Action actionNamed(const std::string& name) override;

private:
    static void registerInterfaceClass();

    std::shared_ptr<ShareKit> share_;
};
