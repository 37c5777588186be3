#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

typedef void CURLM;
typedef void CURL;
typedef struct _GSource GSource;

namespace base {
class FileDescriptorWatch;
}

namespace net {

class CurlTransfer;

// Runs every URL transfer of the process on the main run loop: one libcurl multi handle whose
// sockets the loop watches, and whose timer is a one-shot wake-up set only when libcurl asks
// for one. No thread and no polling: the loop sleeps until a socket is ready or a deadline
// comes. One multi serves any number of loads, reusing connections to a server across them. It
// also ends a transfer that makes no progress for longer than its time-out.
//
// What transfers report while libcurl reads is kept until libcurl has returned and then handed
// out (CurlTransfer::deliver), so their owners' code never runs inside libcurl: it may cancel,
// start other loads or run the loop. Main thread only.
class CurlMulti {
public:
    static CurlMulti& shared();

    CurlMulti();
    ~CurlMulti();
    CurlMulti(const CurlMulti&) = delete;
    CurlMulti& operator=(const CurlMulti&) = delete;

    // Starts the transfer: it goes out at once, and reports from a later turn of the loop.
    void add(std::shared_ptr<CurlTransfer> transfer);
    // Stops the transfer and lets go of it; it reports nothing more.
    void remove(const std::shared_ptr<CurlTransfer>& transfer);
    // The transfers under way.
    std::size_t transferCount() const { return active_.size(); }

private:
    struct Callbacks; // libcurl's and GLib's entry points, in the .cpp
    friend struct Callbacks;
    using TimePoint = std::chrono::steady_clock::time_point;

    // Lets libcurl act on a ready socket (or on its deadline), then collects finished
    // transfers; what they reported waits for deliverPending.
    void perform(int socket, int events);
    void finishDone();
    void expireIdle();
    void deliverPending();
    // Delivers on a later turn what a call from outside (add, remove) left waiting.
    void scheduleDelivery();
    void detach(CURL* handle);
    void watchSocket(int socket, int what);
    // Arms the wake-up for the earliest of libcurl's deadline and the transfers' idle ones; a
    // wake-up already armed earlier stays, and looks again when it comes.
    void armWakeUp();
    std::optional<TimePoint> nextDeadline() const;
    // The wake-up came: whatever is due runs as the loop's own work.
    void wakeUp();

    CURLM* multi_ = nullptr;
    std::unordered_map<CURL*, std::shared_ptr<CurlTransfer>> active_;
    // Finished, with reports not yet handed out.
    std::vector<std::shared_ptr<CurlTransfer>> finished_;
    std::unordered_map<int, std::unique_ptr<base::FileDescriptorWatch>> sockets_;
    std::optional<TimePoint> curlDeadline_;
    bool curlWantsRunNow_ = false;
    bool deliveryScheduled_ = false;
    // While add() starts a transfer: the sockets libcurl wants to write to.
    bool collectWriting_ = false;
    std::vector<int> wantWriting_;
    bool wakeUpPosted_ = false;
    std::optional<TimePoint> armedAt_;
    struct SourceRelease {
        void operator()(GSource* source) const;
    };
    std::unique_ptr<GSource, SourceRelease> wakeUpSource_;
    // Lets posted work know whether the multi still exists.
    std::shared_ptr<CurlMulti*> alive_;
};

} // namespace net
