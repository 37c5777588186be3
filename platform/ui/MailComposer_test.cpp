#include "platform/base/AppHome.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Label.h"
#include "platform/ui/MailComposer.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/SheetBar.h"
#include "platform/ui/TextField.h"

#include <gtest/gtest.h>
#include <string>

namespace ui {
namespace {

struct Results : MailComposeDelegate {
    std::vector<MailComposeResult> results;
    std::optional<base::Error> lastError;
    void mailComposeControllerDidFinishWithResultError(
        MailComposer& controller, MailComposeResult result,
        const std::optional<base::Error>& error) override {
        results.push_back(result);
        lastError = error;
        controller.dismissViewControllerAnimated(true);
    }
};

class MailComposerTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        MailComposer::resetOutboxDirectory();
        Presentation::shared().reset();
    }
    void TearDown() override {
        MailComposer::resetOutboxDirectory();
        Presentation::shared().reset();
        PlatformTest::TearDown();
    }
    static std::string read(const std::filesystem::path& path) {
        return base::readFile(path)->toString();
    }
    // The messages in a folder (its sub-folders not counted).
    static std::size_t filesIn(const std::filesystem::path& directory) {
        std::size_t count = 0;
        if (std::filesystem::is_directory(directory))
            for (const auto& entry : std::filesystem::directory_iterator(directory))
                count += entry.is_regular_file() ? 1 : 0;
        return count;
    }
};

TEST_F(MailComposerTest, SendingWritesTheMessageIntoTheOutbox) {
    ASSERT_TRUE(MailComposer::canSendMail());
    auto composer = MailComposer::create();
    auto delegate = std::make_shared<Results>();
    composer->setMailComposeDelegate(delegate);
    composer->setSubject("A product");
    composer->setToRecipients({"friend@example.org"});
    composer->setMessageBodyIsHTML(" Try this : Check out this link! https://x", true);
    composer->addAttachmentDataMimeTypeFileName(base::Data::fromString("JPEGDATA"), "image/jpeg",
                                                "Attachment.jpg");
    composer->send();

    ASSERT_EQ(delegate->results, std::vector<MailComposeResult>{MailComposeResult::Sent});
    ASSERT_TRUE(composer->writtenFile());
    EXPECT_EQ(composer->writtenFile()->parent_path(),
              base::AppHome::documentsDirectory() / "Outbox");
    const std::string text = read(*composer->writtenFile());
    EXPECT_NE(text.find("Subject: A product\r\n"), std::string::npos);
    EXPECT_NE(text.find("To: friend@example.org\r\n"), std::string::npos);
    EXPECT_NE(text.find("Content-Type: text/html; charset=utf-8"), std::string::npos);
    EXPECT_NE(text.find("filename=\"Attachment.jpg\""), std::string::npos);
    EXPECT_NE(text.find("SlBFR0RBVEE="), std::string::npos); // the attachment in base64

    // The composer has had its outcome: a second send writes and reports nothing.
    const auto first = *composer->writtenFile();
    composer->send();
    composer->cancel();
    EXPECT_EQ(delegate->results, std::vector<MailComposeResult>{MailComposeResult::Sent});
    EXPECT_EQ(*composer->writtenFile(), first);
    EXPECT_EQ(filesIn(first.parent_path()), 1u);

    // Another message at the same moment never overwrites the first.
    auto another = MailComposer::create();
    another->setMailComposeDelegate(delegate);
    another->send();
    ASSERT_TRUE(another->writtenFile());
    EXPECT_NE(*another->writtenFile(), first);
    EXPECT_TRUE(base::fileExists(first));
    EXPECT_EQ(filesIn(first.parent_path()), 2u);
}

TEST_F(MailComposerTest, HeaderTextCannotAddHeaders) {
    auto composer = MailComposer::create();
    composer->setSubject("Hi\r\nBcc: victim@example.org");
    composer->setToRecipients({"a@example.org\nX-Injected: 1"});
    const std::string text = composer->messageText();
    EXPECT_EQ(text.find("\r\nBcc:"), std::string::npos);
    EXPECT_EQ(text.find("\nX-Injected"), std::string::npos);
    composer->setSubject("Café");
    EXPECT_NE(composer->messageText().find("Subject: =?UTF-8?B?"), std::string::npos);
}

TEST_F(MailComposerTest, ResultsOfSaveCancelAndAMissingAccount) {
    const auto outbox = *MailComposer::outboxDirectory();
    auto delegate = std::make_shared<Results>();
    auto saved = MailComposer::create();
    saved->setMailComposeDelegate(delegate);
    saved->saveDraft();
    EXPECT_EQ(saved->writtenFile()->parent_path(), outbox / "Drafts");

    auto cancelled = MailComposer::create();
    cancelled->setMailComposeDelegate(delegate);
    cancelled->cancel();
    EXPECT_FALSE(cancelled->writtenFile());

    MailComposer::setOutboxDirectory(std::nullopt);
    EXPECT_FALSE(MailComposer::canSendMail());
    auto failed = MailComposer::create();
    failed->setMailComposeDelegate(delegate);
    failed->send();
    EXPECT_EQ(delegate->results, (std::vector<MailComposeResult>{MailComposeResult::Saved,
                                                                 MailComposeResult::Cancelled,
                                                                 MailComposeResult::Failed}));
    EXPECT_TRUE(delegate->lastError);
}

TEST_F(MailComposerTest, OnlyTheFirstChoiceCounts) {
    const auto outbox = *MailComposer::outboxDirectory();
    auto delegate = std::make_shared<Results>();
    auto composer = MailComposer::create();
    composer->setMailComposeDelegate(delegate);
    composer->saveDraft();
    composer->send();
    composer->saveDraft();
    composer->cancel();
    EXPECT_EQ(delegate->results, std::vector<MailComposeResult>{MailComposeResult::Saved});
    EXPECT_EQ(filesIn(outbox / "Drafts"), 1u);
    EXPECT_EQ(filesIn(outbox), 0u);

    // A failure is an outcome too: an account set up afterwards sends nothing for it.
    MailComposer::setOutboxDirectory(std::nullopt);
    auto failed = MailComposer::create();
    failed->setMailComposeDelegate(delegate);
    failed->send();
    MailComposer::resetOutboxDirectory();
    failed->send();
    EXPECT_EQ(delegate->results, (std::vector<MailComposeResult>{MailComposeResult::Saved,
                                                                 MailComposeResult::Failed}));
    EXPECT_FALSE(failed->writtenFile());
    EXPECT_EQ(filesIn(outbox), 0u);
}

TEST_F(MailComposerTest, AComposerWithoutDelegateClosesItself) {
    auto presenter = ViewController::create();
    auto composer = MailComposer::create();
    presenter->presentViewController(composer, false);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(Presentation::shared().topController<MailComposer>(), composer);
    composer->cancel();
    base::RunLoop::main().advance(base::Seconds(1));
    EXPECT_EQ(presenter->presentedViewController(), nullptr);
    EXPECT_TRUE(Presentation::shared().empty());
}

TEST_F(MailComposerTest, ItsViewShowsTheMailTakesWhatIsTypedAndItsButtonsChoose) {
    using Tap = const std::shared_ptr<BarButtonItem>& (MailComposer::*)() const;
    const struct {
        Tap button;
        MailComposeResult result;
    } cases[] = {
        {&MailComposer::sendButton, MailComposeResult::Sent},
        {&MailComposer::saveButton, MailComposeResult::Saved},
        {&MailComposer::cancelButton, MailComposeResult::Cancelled},
    };
    auto delegate = std::make_shared<Results>();
    for (const auto& c : cases) {
        auto composer = MailComposer::create();
        composer->setMailComposeDelegate(delegate);
        composer->setSubject("A product");
        composer->setMessageBodyIsHTML("Try this", true);
        composer->addAttachmentDataMimeTypeFileName(base::Data::fromString("J"), "image/jpeg",
                                                    "Attachment.jpg");
        composer->view();
        EXPECT_EQ(composer->bar()->title(), "A product");
        EXPECT_EQ(composer->subjectField()->text(), "A product");
        EXPECT_EQ(composer->bodyLabel()->text(), "Try this\n\n\U0001F4CE Attachment.jpg");

        composer->toField()->setText("a@b.test, , c@d.test ");
        composer->toField()->sendActionsForControlEvents(ControlEventEditingChanged);
        composer->subjectField()->setText("Another");
        composer->subjectField()->sendActionsForControlEvents(ControlEventEditingChanged);
        EXPECT_EQ(composer->toRecipients(), (std::vector<std::string>{"a@b.test", "c@d.test"}));
        EXPECT_EQ(composer->subject(), "Another");
        EXPECT_EQ(composer->bar()->title(), "Another");

        EXPECT_TRUE(((*composer).*c.button)()->simulateTap());
        EXPECT_EQ(delegate->results.back(), c.result);
    }
    EXPECT_EQ(delegate->results.size(), 3u);
}

} // namespace
} // namespace ui
