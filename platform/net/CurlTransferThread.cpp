#include "platform/net/CurlTransferThread.h"

#include "platform/base/RunLoop.h"
#include "platform/net/CurlTransfer.h"

#include <algorithm>
#include <chrono>
#include <curl/curl.h>

namespace net {

namespace {

// The longest the loop sleeps without a reason: a safety net, not a polling interval (adds
// and removals wake it at once).
constexpr auto maximumWait = std::chrono::milliseconds(1000);

void initializeCurlOnce() {
    static const bool initialized = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)initialized;
}

} // namespace

CurlTransferThread& CurlTransferThread::shared() {
    // Transfers report to the main run loop, so the loop must outlive this thread: made first,
    // it is destroyed last.
    base::RunLoop::main();
    static CurlTransferThread thread;
    return thread;
}

CurlTransferThread::CurlTransferThread() {
    initializeCurlOnce();
    multi_ = curl_multi_init();
    thread_ = std::thread(&CurlTransferThread::run, this);
}

CurlTransferThread::~CurlTransferThread() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    curl_multi_wakeup(multi_);
    thread_.join();
    for (auto& [handle, transfer] : active_)
        curl_multi_remove_handle(multi_, handle);
    active_.clear();
    curl_multi_cleanup(multi_);
}

void CurlTransferThread::add(std::shared_ptr<CurlTransfer> transfer) {
    {
        std::lock_guard lock(mutex_);
        commands_.push_back({std::move(transfer), true});
    }
    curl_multi_wakeup(multi_);
}

void CurlTransferThread::remove(const std::shared_ptr<CurlTransfer>& transfer) {
    transfer->abandon();
    {
        std::lock_guard lock(mutex_);
        commands_.push_back({transfer, false});
    }
    curl_multi_wakeup(multi_);
}

void CurlTransferThread::run() {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
        }
        applyCommands();
        int running = 0;
        curl_multi_perform(multi_, &running);
        finishDone();
        expireIdle();

        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(maximumWait);
        long curlTimeout = -1;
        curl_multi_timeout(multi_, &curlTimeout);
        if (curlTimeout >= 0)
            wait = std::min(wait, std::chrono::milliseconds(curlTimeout));
        auto now = std::chrono::steady_clock::now();
        for (auto& [handle, transfer] : active_) {
            auto left =
                std::chrono::ceil<std::chrono::milliseconds>(transfer->idleDeadline() - now);
            wait = std::min(wait, std::max(left, std::chrono::milliseconds(0)));
        }
        if (wait.count() > 0)
            curl_multi_poll(multi_, nullptr, 0, int(wait.count()), nullptr);
    }
}

void CurlTransferThread::applyCommands() {
    std::vector<Command> commands;
    {
        std::lock_guard lock(mutex_);
        commands.swap(commands_);
    }
    for (auto& command : commands) {
        CURL* handle = command.transfer->handle();
        if (!handle)
            continue;
        if (command.add) {
            if (command.transfer->isAbandoned() || active_.count(handle))
                continue;
            command.transfer->markActive();
            if (curl_multi_add_handle(multi_, handle) != CURLM_OK) {
                command.transfer->complete(CURLE_FAILED_INIT);
                continue;
            }
            active_.emplace(handle, command.transfer);
        } else {
            detach(handle);
        }
    }
}

void CurlTransferThread::finishDone() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* handle = message->easy_handle;
        CURLcode result = message->data.result;
        auto found = active_.find(handle);
        if (found == active_.end())
            continue;
        auto transfer = found->second;
        detach(handle);
        transfer->complete(result);
    }
}

void CurlTransferThread::expireIdle() {
    auto now = std::chrono::steady_clock::now();
    std::vector<std::shared_ptr<CurlTransfer>> expired;
    for (auto& [handle, transfer] : active_)
        if (transfer->idleTimeExpired(now))
            expired.push_back(transfer);
    for (auto& transfer : expired) {
        detach(transfer->handle());
        transfer->failTimedOut();
    }
}

void CurlTransferThread::detach(CURL* handle) {
    auto found = active_.find(handle);
    if (found == active_.end())
        return;
    curl_multi_remove_handle(multi_, handle);
    active_.erase(found);
}

} // namespace net
