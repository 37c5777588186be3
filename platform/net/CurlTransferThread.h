#pragma once

#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

typedef void CURLM;
typedef void CURL;

namespace net {

class CurlTransfer;

// The one thread that runs every URL transfer of the process: a libcurl multi handle polled
// in a loop. One thread serves any number of loads (connections to the same server are
// reused across them), and cancelling is a message to it rather than a thread to stop.
// It also enforces each transfer's idle time-out.
class CurlTransferThread {
public:
    static CurlTransferThread& shared();

    CurlTransferThread();
    ~CurlTransferThread();
    CurlTransferThread(const CurlTransferThread&) = delete;
    CurlTransferThread& operator=(const CurlTransferThread&) = delete;

    // Starts the transfer. Any thread.
    void add(std::shared_ptr<CurlTransfer> transfer);
    // Stops the transfer; it reports nothing more. Any thread.
    void remove(const std::shared_ptr<CurlTransfer>& transfer);

private:
    struct Command {
        std::shared_ptr<CurlTransfer> transfer;
        bool add;
    };

    void run();
    void applyCommands();
    void finishDone();
    void expireIdle();
    void detach(CURL* handle);

    CURLM* multi_ = nullptr;
    std::mutex mutex_;
    std::vector<Command> commands_;
    bool stopping_ = false;
    // Thread-only.
    std::unordered_map<CURL*, std::shared_ptr<CurlTransfer>> active_;
    std::thread thread_;
};

} // namespace net
