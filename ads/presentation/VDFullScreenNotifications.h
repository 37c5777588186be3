#pragma once

// Posted on the default notification center by every full-screen ad view and mediated network
// when it takes over the screen and when it has given it back: every slot of the process pauses
// its refresh meanwhile.
inline constexpr const char* kAdModalViewControllerWillPresentFullScreen =
    "kAdModalViewControllerWillPresentFullScreen";
inline constexpr const char* kAdModalViewControllerDidDismissFullScreen =
    "kAdModalViewControllerDidDismissFullScreen";
