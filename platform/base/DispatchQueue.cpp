#include "platform/base/DispatchQueue.h"

#include "platform/base/RunLoop.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <list>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

namespace base {

namespace {

// A serial queue's work: its functions run one at a time, in order, on whichever thread of the
// shared pool picks the strand up. Queued functions (and the pool, while it runs them) keep it
// alive, so work queued before the last copy of its queue went away still runs.
struct Strand {
    explicit Strand(std::string label)
        : label(std::move(label)) {}

    struct Item {
        std::function<void()> fn;
        // What the thread that queued it (and waits for it in sync()) holds: the function runs
        // as if on that thread as well.
        std::vector<const Strand*> inherited;
    };

    const std::string label;
    std::mutex mutex;
    std::deque<Item> items;
    // True while the strand is waiting for a pool thread or being run by one.
    bool active = false;

    bool drained() {
        std::lock_guard lock(mutex);
        return !active && items.empty();
    }
};

// The strands whose functions the calling thread is running or is waiting on in sync(): a
// sync onto any of them could never return.
thread_local std::vector<const Strand*> heldStrands;
thread_local std::string runningLabel;
// Set on the pool's threads.
thread_local bool onPoolThread = false;

struct HeldScope {
    std::vector<const Strand*> saved;
    std::string savedLabel;
    HeldScope(std::vector<const Strand*> held, const Strand* running, const std::string& label)
        : saved(std::exchange(heldStrands, std::move(held)))
        , savedLabel(std::exchange(runningLabel, label)) {
        if (running)
            heldStrands.push_back(running);
    }
    ~HeldScope() {
        heldStrands = std::move(saved);
        runningLabel = std::move(savedLabel);
    }
};

bool holds(const std::vector<const Strand*>& held, const Strand* strand) {
    return std::find(held.begin(), held.end(), strand) != held.end();
}

// Built once and never destroyed: queues and their work may still be about while the process's
// static objects go away, and the pool's threads outlive them all.
template <class T> T& immortal() {
    alignas(T) static unsigned char storage[sizeof(T)];
    static T* object = ::new (storage) T();
    return *object;
}

// Where threads waiting for a strand wait, and where functions that background work syncs onto
// the main queue are listed until they have run: the main thread, while it waits for a strand,
// runs those that the strand's work waits on, so that neither waits for the other.
struct Waits {
    struct MainSync {
        std::function<void()> run;
        std::vector<const Strand*> held;
        std::atomic<bool> claimed = false;
    };

    std::mutex mutex;
    std::condition_variable changed;
    std::list<std::shared_ptr<MainSync>> mainSyncs;

    void notify() {
        std::lock_guard lock(mutex);
        changed.notify_all();
    }

    // Runs the first listed main-thread function that waits on `strand`; false when none does.
    bool runMainSyncHolding(std::unique_lock<std::mutex>& lock, const Strand* strand) {
        for (auto it = mainSyncs.begin(); it != mainSyncs.end(); ++it) {
            if (!holds((*it)->held, strand) || (*it)->claimed.exchange(true))
                continue;
            auto sync = *it;
            mainSyncs.erase(it);
            lock.unlock();
            sync->run();
            lock.lock();
            return true;
        }
        return false;
    }
};

Waits& waits() {
    return immortal<Waits>();
}

// The threads that run every queue's work. A few are kept; a thread that blocks in sync() or
// in a queue's destructor lets another start in its place, so waiting work never starves the
// pool. Threads beyond the kept few end when they find nothing to do.
class Pool {
public:
    void submit(std::shared_ptr<Strand> strand) {
        std::lock_guard lock(mutex_);
        ready_.push_back(std::move(strand));
        if (idle_ > 0)
            wake_.notify_one();
        spawnIfShortLocked();
    }

    void willBlock() {
        if (!onPoolThread)
            return;
        std::lock_guard lock(mutex_);
        ++blocked_;
        spawnIfShortLocked();
    }

    void didUnblock() {
        if (!onPoolThread)
            return;
        std::lock_guard lock(mutex_);
        --blocked_;
    }

private:
    // Functions one strand runs before it lets the others have the thread.
    static constexpr int batch = 16;

    static int keptThreads() {
        const unsigned cores = std::thread::hardware_concurrency();
        return int(std::clamp(cores, 2u, 4u));
    }

    void spawnIfShortLocked() {
        const int waiting = int(ready_.size());
        if (waiting <= idle_ || threads_ - blocked_ >= kept_)
            return;
        ++threads_;
        std::thread([this] { work(); }).detach();
    }

    void work() {
        onPoolThread = true;
        std::unique_lock lock(mutex_);
        for (;;) {
            if (ready_.empty()) {
                if (threads_ - blocked_ > kept_) {
                    --threads_;
                    return;
                }
                ++idle_;
                wake_.wait(lock, [&] { return !ready_.empty(); });
                --idle_;
            }
            auto strand = std::move(ready_.front());
            ready_.pop_front();
            lock.unlock();
            const bool more = run(*strand);
            lock.lock();
            if (more)
                ready_.push_back(std::move(strand));
        }
    }

    // Runs some of the strand's functions; true when it has more waiting.
    static bool run(Strand& strand) {
        for (int i = 0; i < batch; ++i) {
            Strand::Item item;
            {
                std::lock_guard lock(strand.mutex);
                if (strand.items.empty()) {
                    strand.active = false;
                    break;
                }
                item = std::move(strand.items.front());
                strand.items.pop_front();
            }
            // The function's captures go away inside the scope too: a destructor among them
            // runs on the queue, where a sync onto it is an error rather than a deadlock.
            HeldScope scope(std::move(item.inherited), &strand, strand.label);
            item.fn();
            item.fn = nullptr;
        }
        {
            std::lock_guard lock(strand.mutex);
            if (strand.active)
                return true;
        }
        waits().notify();
        return false;
    }

    const int kept_ = keptThreads();
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Strand>> ready_;
    int threads_ = 0;
    int idle_ = 0;
    int blocked_ = 0;
};

Pool& pool() {
    return immortal<Pool>();
}

void enqueue(const std::shared_ptr<Strand>& strand, Strand::Item item) {
    bool start = false;
    {
        std::lock_guard lock(strand->mutex);
        strand->items.push_back(std::move(item));
        start = !std::exchange(strand->active, true);
    }
    if (start)
        pool().submit(strand);
}

// Waits until done() holds; done() is looked at whenever a strand drains or a main-thread
// function is listed. On the main thread, runs meanwhile what `strand`'s work syncs onto the
// main queue.
void waitFor(const Strand* strand, const std::function<bool()>& done) {
    auto& w = waits();
    pool().willBlock();
    {
        std::unique_lock lock(w.mutex);
        for (;;) {
            if (done())
                break;
            if (isMainThread() && w.runMainSyncHolding(lock, strand))
                continue;
            w.changed.wait(lock);
        }
    }
    pool().didUnblock();
}

} // namespace

struct DispatchQueue::Impl {
    std::string label;
    bool main = false;
    std::shared_ptr<Strand> strand;

    Impl(std::string label, bool main)
        : label(label)
        , main(main)
        , strand(main ? nullptr : std::make_shared<Strand>(std::move(label))) {}

    // The last copy: waits until the work queued so far has run, unless the caller is that
    // work (or waits for it), which could then never finish.
    ~Impl() {
        if (!strand || holds(heldStrands, strand.get()))
            return;
        const Strand* self = strand.get();
        waitFor(self, [self = strand] { return self->drained(); });
    }
};

DispatchQueue::DispatchQueue(std::string label)
    : impl_(std::make_shared<Impl>(std::move(label), false)) {}

DispatchQueue& DispatchQueue::main() {
    // Never destroyed, as the pool's work may still reach it while the process ends.
    alignas(DispatchQueue) static unsigned char storage[sizeof(DispatchQueue)];
    static DispatchQueue* queue =
        ::new (storage) DispatchQueue(std::make_shared<Impl>("main", true));
    return *queue;
}

std::string DispatchQueue::currentLabel() {
    if (!runningLabel.empty())
        return runningLabel;
    return isMainThread() ? "main" : "";
}

const std::string& DispatchQueue::label() const {
    return impl_->label;
}

bool DispatchQueue::isMain() const {
    return impl_->main;
}

bool DispatchQueue::isCurrent() const {
    if (impl_->main)
        return isMainThread();
    return holds(heldStrands, impl_->strand.get());
}

void DispatchQueue::async(std::function<void()> fn) const {
    if (impl_->main) {
        RunLoop::main().dispatch(std::move(fn));
        return;
    }
    enqueue(impl_->strand, {std::move(fn), {}});
}

void DispatchQueue::sync(const std::function<void()>& fn) const {
    if (isCurrent())
        throw std::logic_error("DispatchQueue::sync onto \"" + impl_->label +
                               "\" from code that is running on it (or waiting for it)");
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::exception_ptr failure;
    auto run = [&fn, &failure, finished] {
        try {
            fn();
        } catch (...) {
            failure = std::current_exception();
        }
        finished->store(true);
        waits().notify();
    };

    if (!impl_->main) {
        enqueue(impl_->strand, {run, heldStrands});
        waitFor(impl_->strand.get(), [&] { return finished->load(); });
    } else {
        // Listed as well as posted, so that a main thread waiting for one of the queues this
        // thread holds runs it in its wait; whichever comes first runs it.
        auto& w = waits();
        auto sync = std::make_shared<Waits::MainSync>();
        sync->held = heldStrands;
        sync->run = [run, held = heldStrands, label = impl_->label] {
            HeldScope scope(held, nullptr, label);
            run();
        };
        {
            std::lock_guard lock(w.mutex);
            w.mainSyncs.push_back(sync);
            w.changed.notify_all();
        }
        RunLoop::main().dispatch([sync] {
            if (sync->claimed.exchange(true))
                return;
            {
                auto& w = waits();
                std::lock_guard lock(w.mutex);
                w.mainSyncs.remove(sync);
            }
            sync->run();
        });
        waitFor(nullptr, [&] { return finished->load(); });
    }
    if (failure)
        std::rethrow_exception(failure);
}

void DispatchQueue::after(Seconds delay, std::function<void()> fn) const {
    std::weak_ptr<Impl> weak = impl_;
    RunLoop::main().dispatchAfter(delay, [weak, fn = std::move(fn)]() mutable {
        if (auto impl = weak.lock())
            DispatchQueue(impl).async(std::move(fn));
    });
}

void detail::releaseOnMainThreadErased(std::shared_ptr<void> object) {
    if (object)
        RunLoop::main().dispatch([held = std::move(object)] {});
}

} // namespace base
