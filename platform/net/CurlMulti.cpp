#include "platform/net/CurlMulti.h"

#include "platform/base/FileDescriptorWatch.h"
#include "platform/base/RunLoop.h"
#include "platform/net/CurlTransfer.h"

#include <algorithm>
#include <curl/curl.h>
#include <glib.h>

namespace net {

namespace {

// How many times in a row libcurl may ask to run again at once before the loop gets a turn.
constexpr int immediateRounds = 8;

void initializeCurlOnce() {
    static const bool initialized = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)initialized;
}

struct WakeUpSource {
    GSource source;
    CurlMulti* multi;
};

} // namespace

struct CurlMulti::Callbacks {
    static int socket(CURL*, curl_socket_t socket, int what, void* data, void*) {
        static_cast<CurlMulti*>(data)->watchSocket(socket, what);
        return 0;
    }

    static gboolean wakeUp(GSource* source, GSourceFunc, gpointer) {
        reinterpret_cast<WakeUpSource*>(source)->multi->wakeUp();
        return G_SOURCE_CONTINUE;
    }
};

CurlMulti& CurlMulti::shared() {
    // Its sockets and wake-ups are the main run loop's: the loop must outlive it, so it is made
    // first and destroyed last.
    base::RunLoop::main();
    static CurlMulti multi;
    return multi;
}

void CurlMulti::SourceRelease::operator()(GSource* source) const {
    g_source_destroy(source);
    g_source_unref(source);
}

CurlMulti::CurlMulti()
    : alive_(std::make_shared<CurlMulti*>(this)) {
    initializeCurlOnce();
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_SOCKETFUNCTION, &Callbacks::socket);
    curl_multi_setopt(multi_, CURLMOPT_SOCKETDATA, this);

    static GSourceFuncs functions = {nullptr, nullptr, &Callbacks::wakeUp,
                                     nullptr, nullptr, nullptr};
    GSource* source = g_source_new(&functions, sizeof(WakeUpSource));
    reinterpret_cast<WakeUpSource*>(source)->multi = this;
    g_source_set_name(source, "net::CurlMulti wake-up");
    wakeUpSource_.reset(source);
    g_source_attach(source, g_main_context_default());
}

CurlMulti::~CurlMulti() {
    *alive_ = nullptr;
    for (auto& [handle, transfer] : active_)
        curl_multi_remove_handle(multi_, handle);
    active_.clear();
    finished_.clear();
    curl_multi_cleanup(multi_);
    sockets_.clear();
}

void CurlMulti::add(std::shared_ptr<CurlTransfer> transfer) {
    base::assertMainThread();
    CURL* handle = transfer->handle();
    if (transfer->isAbandoned() || (handle && active_.count(handle)))
        return;
    transfer->markActive();
    if (!handle || curl_multi_add_handle(multi_, handle) != CURLM_OK) {
        transfer->complete(CURLE_FAILED_INIT);
        finished_.push_back(std::move(transfer));
        scheduleDelivery();
        return;
    }
    active_.emplace(handle, std::move(transfer));
    // Out at once rather than on libcurl's "now" timer a turn later, and the request written
    // now where the socket takes it (a connection kept from an earlier load, or one to this
    // machine), rather than a wake-up later. What it reports (a file read whole) waits for a
    // turn of its own.
    wantWriting_.clear();
    collectWriting_ = true;
    perform(CURL_SOCKET_TIMEOUT, 0);
    collectWriting_ = false;
    const auto writable = std::move(wantWriting_);
    for (int socket : writable)
        if (sockets_.count(socket))
            perform(socket, CURL_CSELECT_OUT);
    scheduleDelivery();
}

void CurlMulti::remove(const std::shared_ptr<CurlTransfer>& transfer) {
    base::assertMainThread();
    transfer->abandon();
    std::erase(finished_, transfer);
    if (CURL* handle = transfer->handle(); handle && active_.count(handle)) {
        detach(handle);
        // A transfer that waited for this one's connection may go on now.
        long timeout = -1;
        curl_multi_timeout(multi_, &timeout);
        if (timeout >= 0)
            curlDeadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
        armWakeUp();
    }
}

void CurlMulti::perform(int socket, int events) {
    int running = 0;
    curl_multi_socket_action(multi_, socket, events, &running);
    // libcurl's own deadline is read after each call rather than followed through a timer
    // callback: it only changes inside its calls, all of which are made here.
    curlDeadline_.reset();
    for (int round = 0; round < immediateRounds; ++round) {
        long timeout = -1;
        curl_multi_timeout(multi_, &timeout);
        if (timeout != 0) {
            if (timeout > 0)
                curlDeadline_ =
                    std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
            break;
        }
        // Due already: left for a later turn if it keeps asking.
        curlDeadline_ = std::chrono::steady_clock::now();
        curl_multi_socket_action(multi_, CURL_SOCKET_TIMEOUT, 0, &running);
    }
    finishDone();
    armWakeUp();
}

void CurlMulti::finishDone() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* handle = message->easy_handle;
        const CURLcode result = message->data.result;
        auto found = active_.find(handle);
        if (found == active_.end())
            continue;
        auto transfer = found->second;
        detach(handle);
        transfer->complete(result);
        finished_.push_back(std::move(transfer));
    }
}

void CurlMulti::expireIdle() {
    const auto now = std::chrono::steady_clock::now();
    std::vector<std::shared_ptr<CurlTransfer>> expired;
    for (auto& [handle, transfer] : active_)
        if (transfer->idleTimeExpired(now))
            expired.push_back(transfer);
    for (auto& transfer : expired) {
        detach(transfer->handle());
        transfer->failTimedOut();
        finished_.push_back(std::move(transfer));
    }
}

void CurlMulti::deliverPending() {
    std::vector<std::shared_ptr<CurlTransfer>> ready;
    ready.swap(finished_);
    for (auto& [handle, transfer] : active_)
        if (transfer->hasPending())
            ready.push_back(transfer);
    // Held here: an owner may let go of its transfer from inside a report.
    for (auto& transfer : ready)
        transfer->deliver();
}

void CurlMulti::scheduleDelivery() {
    if (deliveryScheduled_)
        return;
    bool pending = !finished_.empty();
    for (auto& [handle, transfer] : active_)
        pending = pending || transfer->hasPending();
    if (!pending)
        return;
    deliveryScheduled_ = true;
    base::RunLoop::main().dispatch([alive = alive_] {
        if (CurlMulti* self = *alive) {
            self->deliveryScheduled_ = false;
            self->deliverPending();
        }
    });
}

void CurlMulti::detach(CURL* handle) {
    auto found = active_.find(handle);
    if (found == active_.end())
        return;
    curl_multi_remove_handle(multi_, handle);
    active_.erase(found);
}

void CurlMulti::watchSocket(int socket, int what) {
    if (what == CURL_POLL_REMOVE) {
        sockets_.erase(socket);
        return;
    }
    unsigned events = 0;
    if (what & CURL_POLL_IN)
        events |= base::FileDescriptorWatch::Readable;
    if (what & CURL_POLL_OUT) {
        events |= base::FileDescriptorWatch::Writable;
        if (collectWriting_)
            wantWriting_.push_back(socket);
    }
    if (auto found = sockets_.find(socket); found != sockets_.end()) {
        found->second->setEvents(events);
        return;
    }
    sockets_.emplace(socket, base::RunLoop::main().watchFileDescriptor(
                                 socket, events, [alive = alive_, socket](unsigned ready) {
                                     CurlMulti* self = *alive;
                                     if (!self)
                                         return;
                                     int events = 0;
                                     if (ready & base::FileDescriptorWatch::Readable)
                                         events |= CURL_CSELECT_IN;
                                     if (ready & base::FileDescriptorWatch::Writable)
                                         events |= CURL_CSELECT_OUT;
                                     if (ready & base::FileDescriptorWatch::Failed)
                                         events |= CURL_CSELECT_ERR;
                                     self->perform(socket, events);
                                     self->deliverPending();
                                 }));
}

std::optional<CurlMulti::TimePoint> CurlMulti::nextDeadline() const {
    std::optional<TimePoint> next = curlDeadline_;
    for (auto& [handle, transfer] : active_)
        if (!next || transfer->idleDeadline() < *next)
            next = transfer->idleDeadline();
    return next;
}

void CurlMulti::armWakeUp() {
    const auto next = nextDeadline();
    // A wake-up armed for earlier stays: when it comes it looks again. So progress, which only
    // moves deadlines later, costs nothing here.
    if (!next || (armedAt_ && *armedAt_ <= *next))
        return;
    armedAt_ = next;
    const auto wait =
        std::chrono::ceil<std::chrono::microseconds>(*next - std::chrono::steady_clock::now());
    g_source_set_ready_time(wakeUpSource_.get(),
                            g_get_monotonic_time() + std::max<gint64>(0, wait.count()));
}

void CurlMulti::wakeUp() {
    g_source_set_ready_time(wakeUpSource_.get(), -1);
    armedAt_.reset();
    const auto next = nextDeadline();
    if (!next)
        return;
    if (*next > std::chrono::steady_clock::now()) {
        armWakeUp();
        return;
    }
    if (wakeUpPosted_)
        return;
    // Run as the loop's own work, so that it waits while the loop is held.
    wakeUpPosted_ = true;
    base::RunLoop::main().dispatch([alive = alive_] {
        CurlMulti* self = *alive;
        if (!self)
            return;
        self->wakeUpPosted_ = false;
        if (self->curlDeadline_ && *self->curlDeadline_ <= std::chrono::steady_clock::now())
            self->perform(CURL_SOCKET_TIMEOUT, 0);
        self->expireIdle();
        self->deliverPending();
        self->armWakeUp();
    });
}

} // namespace net
