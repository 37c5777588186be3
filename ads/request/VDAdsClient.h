#pragma once

// The ads client's start-up, as a host sees it: one call, VDAdsClient::load(), before the
// application launches (the program's main does it). The ads foundation knows nothing of the
// layers above it; this hands it their early activities (today: allowing the rich-media
// interceptor of the web views) and installs its launch hook, so that the activities run once
// when the launch is heard, or earlier when the first request or slot is made.
class VDAdsClient {
public:
    VDAdsClient() = delete;

    // Hands the early activities over and installs VDApplication's launch hook. Main thread.
    static void load();
    // Hands the early activities over, once per process. The first request and the first slot
    // do it too, so that a host that never called load() gets them all the same. Any thread.
    static void installEarlyActivities();
};
