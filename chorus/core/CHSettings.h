#pragma once

#include "platform/base/URL.h"

#include <string>

// The social client's configuration: where its server is, which application it speaks for and
// the versions it announces. Read afresh on every call, so that a changed setting takes
// effect on the next request or dialog.
class CHSettings {
public:
    CHSettings() = delete;

    static constexpr const char* sdkVersion = "3.23.1";
    static constexpr const char* apiVersion = "v2.2";
    // The User-Agent of the client's own requests.
    static constexpr const char* userAgentPrefix = "VErIRUVA";

    // The server's base address: the user default under this key when it holds an http or
    // https URL with a host, else the built-in one. Tests point it at 127.0.0.1.
    static constexpr const char* serverBaseURLKey = "com.chorus.sdk:ServerBaseURL";
    // No server of the real service is known to this program: the built-in address is a
    // reserved name that never resolves, so that an unconfigured client fails at once.
    static constexpr const char* defaultServerBaseURL = "https://chorus.example";
    static base::URL serverBaseURL();

    // The application identifier: the information dictionary's "ChorusAppID", else the
    // built-in one of this program.
    static constexpr const char* appIDKey = "ChorusAppID";
    static constexpr const char* defaultAppID = "tabbrowser";
    static std::string appID();

    // "<base>/<path>" for a path without a leading "/"; a base address with a path of its own
    // keeps it ("https://host/chorus" + "dialog/feed" → "https://host/chorus/dialog/feed").
    static std::string serverAddress(const std::string& path);
    // "VErIRUVA.3.23.1".
    static std::string userAgent();
};
