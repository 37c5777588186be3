#pragma once

namespace ui {

// What a web view asks of its engine's page handling. The engine applies a changed value to
// the next page it shows, or at once where it can.
struct WebViewSettings {
    // Bits of dataDetectorTypes: what the engine turns into links on its own.
    static constexpr unsigned DataDetectorNone = 0;
    static constexpr unsigned DataDetectorPhoneNumber = 1u << 0;
    static constexpr unsigned DataDetectorLink = 1u << 1;
    static constexpr unsigned DataDetectorAddress = 1u << 2;
    static constexpr unsigned DataDetectorCalendarEvent = 1u << 3;
    static constexpr unsigned DataDetectorAll = ~0u;

    bool scalesPageToFit = false;
    unsigned dataDetectorTypes = DataDetectorPhoneNumber;
    bool allowsInlineMediaPlayback = false;
    bool mediaPlaybackRequiresUserAction = true;
    bool keyboardDisplayRequiresUserAction = true;
    bool suppressesIncrementalRendering = false;

    friend bool operator==(const WebViewSettings&, const WebViewSettings&) = default;
};

} // namespace ui
