#pragma once

#include <memory>
#include <string_view>

// The ads client's one public log: messages for the host application's developer, one console
// line each, "<Redodi> " followed by the message as it is (never read as a format). Safe from
// any thread.
class VDLogger {
    struct Private {};

public:
    static std::shared_ptr<VDLogger> sharedInstance();
    explicit VDLogger(Private) {}

    void logPublicMessage(std::string_view message) const;
};
