#pragma once

#include "platform/ui/ShareService.h"

#include <memory>
#include <optional>
#include <vector>

namespace ui {

// A test double of a social service for unit tests of sharing logic: it records every post and
// answers each as the test says, at once (the default: accepted) or when the test calls
// answer(). Never ships in the program.
class FakeShareService : public ShareService {
public:
    static std::shared_ptr<FakeShareService> create() {
        return std::make_shared<FakeShareService>();
    }

    void post(SharePost post, Completion completion) override;

    // How the next posts are answered: no error accepts them, an error refuses them.
    void answerWith(std::optional<base::Error> error) { answer_ = std::move(error); }
    // Holds the next posts until answer() is called.
    void holdAnswers(bool hold) { hold_ = hold; }
    // Answers the oldest held post; false when none is held.
    bool answer(const std::optional<base::Error>& error = std::nullopt);

    const std::vector<SharePost>& posts() const { return posts_; }

private:
    std::vector<SharePost> posts_;
    std::vector<Completion> held_;
    std::optional<base::Error> answer_;
    bool hold_ = false;
};

} // namespace ui
