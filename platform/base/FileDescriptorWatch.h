#pragma once

#include <functional>
#include <memory>

typedef struct _GSource GSource;

namespace base {

class RunLoop;

// A file descriptor (a socket) that the main run loop watches: the callback runs on the loop,
// as a turn of its own (turn observers follow it), whenever the descriptor is ready for what
// the watch asks. The loop sleeps until then: nothing polls.
//
// While code waits in place (RunLoop::runOthersUntil) the watch sleeps as the loop's own
// functions do. Stepping a unit test's loop by hand (runUntilIdle, advance) never serves it:
// when a descriptor becomes ready is not the test's to choose, so only run() and runUntil()
// wait for it. Destroying the watch stops it (also from inside its own callback). Main thread
// only.
class FileDescriptorWatch {
public:
    enum Event : unsigned {
        Readable = 1,
        Writable = 2,
        // Reported only: an error or hang-up on the descriptor.
        Failed = 4,
    };
    using Callback = std::function<void(unsigned readyEvents)>;

    // Watches `fd` for `events` on `loop` (see RunLoop::watchFileDescriptor).
    FileDescriptorWatch(RunLoop& loop, int fd, unsigned events, Callback callback);
    ~FileDescriptorWatch();
    FileDescriptorWatch(const FileDescriptorWatch&) = delete;
    FileDescriptorWatch& operator=(const FileDescriptorWatch&) = delete;

    int fileDescriptor() const { return fd_; }
    unsigned events() const { return events_; }
    // What to wait for from now on (Readable, Writable or both; none pauses the watch).
    void setEvents(unsigned events);

private:
    friend class RunLoop;
    struct Source;

    // Tells GLib what to wait for: nothing while the loop is held.
    void apply(bool held);

    RunLoop& loop_;
    int fd_;
    unsigned events_;
    // Shared with a running callback, so that the watch may go while it runs.
    std::shared_ptr<Callback> callback_;
    struct SourceRelease {
        void operator()(GSource* source) const;
    };
    std::unique_ptr<GSource, SourceRelease> source_;
    void* tag_ = nullptr;
};

} // namespace base
