#include "ads/foundation/VDContentQueue.h"

#include <algorithm>
#include <vector>

void VDContentQueue::enqueueContent(const std::shared_ptr<VDContent>& content) {
    if (!content || size_ == 0)
        return;
    while (contents_.size() >= size_ && !sequenceNumbers_.empty())
        remove(sequenceNumbers_.front());
    const std::uint64_t number = content->sequenceNumber();
    // A content enqueued again under its number keeps one place in the order.
    if (contents_.count(number))
        remove(number);
    contents_[number] = content;
    sequenceNumbers_.push_back(number);
}

void VDContentQueue::deduplicate(const std::shared_ptr<VDContent>& content) {
    if (!content)
        return;
    std::vector<std::uint64_t> older;
    for (const auto& [number, stored] : contents_) {
        if (stored != content && stored->fingerprint() == content->fingerprint())
            older.push_back(std::min(number, content->sequenceNumber()));
    }
    for (std::uint64_t number : older)
        remove(number);
}

std::shared_ptr<VDContent> VDContentQueue::contentWithHighestScore() const {
    std::shared_ptr<VDContent> best;
    std::int64_t bestScore = 0;
    // Newest first, so that it wins a tie.
    for (auto it = contents_.rbegin(); it != contents_.rend(); ++it) {
        if (it->second->score() > bestScore) {
            best = it->second;
            bestScore = best->score();
        }
    }
    return best;
}

std::shared_ptr<VDContent> VDContentQueue::contentWithSequenceNumber(std::uint64_t number) const {
    auto found = contents_.find(number);
    return found == contents_.end() ? nullptr : found->second;
}

void VDContentQueue::remove(std::uint64_t number) {
    contents_.erase(number);
    std::erase(sequenceNumbers_, number);
}
