#include "platform/ui/FakeShareService.h"

namespace ui {

void FakeShareService::post(SharePost post, Completion completion) {
    posts_.push_back(std::move(post));
    if (hold_)
        held_.push_back(std::move(completion));
    else
        completion(answer_);
}

bool FakeShareService::answer(const std::optional<base::Error>& error) {
    if (held_.empty())
        return false;
    auto completion = std::move(held_.front());
    held_.erase(held_.begin());
    completion(error);
    return true;
}

} // namespace ui
