#pragma once

#include <functional>

// Runs the block at once on the main thread; from any other thread submits it to the main queue
// and waits for it. Must not be called from a thread the main thread is waiting for.
void VDRunSyncOnMainThread(const std::function<void()>& block);

// Runs the block at once on the main thread; from any other thread submits it to the main queue
// and returns.
void VDRunAsyncOnMainThread(std::function<void()> block);
