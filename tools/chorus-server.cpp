// The social client's test server, started by hand: the login page, the friend list, the
// feed dialog and the feed's posts on 127.0.0.1, as the tests use them
// (tests/fixtures/chorus/ChorusServer.h).
//
//   build/bin/chorus-server [--configure]
//
// It prints its address and serves until interrupted. With --configure it also points the
// browser's social client at itself: the user default "com.chorus.sdk:ServerBaseURL" in the
// preferences of $BROWSER_HOME (or the default app home).

#include "chorus/core/CHSettings.h"
#include "platform/base/UserDefaults.h"
#include "tests/fixtures/chorus/ChorusServer.h"

#include <csignal>
#include <cstring>
#include <iostream>

int main(int argc, char** argv) {
    bool configure = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--configure") == 0) {
            configure = true;
        } else {
            std::cerr << "usage: chorus-server [--configure]\n";
            return 2;
        }
    }
    // Interruptions are waited for below, not delivered to a handler.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);

    testing_support::ChorusServer server;
    std::cout << "Serving the social client's test server on " << server.baseURL() << "\n"
              << "  login page   " << server.url("/dialog/oauth") << "\n"
              << "  friend list  " << server.url("/v2.2/me/friends?access_token=")
              << testing_support::ChorusServer::token << "\n"
              << "  feed dialog  " << server.url("/dialog/feed") << "\n"
              << "  feed posts   POST " << server.url("/v2.2/me/feed") << "\n";
    if (configure) {
        auto defaults = base::UserDefaults::standard();
        defaults->setObject(CHSettings::serverBaseURLKey, base::Value(server.baseURL()));
        if (!defaults->synchronize()) {
            std::cerr << "chorus-server: could not write " << defaults->filePath() << "\n";
            return 1;
        }
        std::cout << "The browser's social client now uses it (" << defaults->filePath().string()
                  << ").\n";
    }
    std::cout << "Press Ctrl-C to stop." << std::endl;
    int signal = 0;
    sigwait(&stops, &signal);
    return 0;
}
