#pragma once

namespace ui {

// Why a frame is about to load a request, with the platform's numeric values. The same
// values serve main frames and sub-frames.
enum class WebViewNavigationType {
    LinkClicked = 0,
    FormSubmitted = 1,
    BackForward = 2,
    Reload = 3,
    FormResubmitted = 4,
    Other = 5,
};

} // namespace ui
