#pragma once

#include "platform/base/Data.h"
#include "platform/base/Error.h"
#include "platform/ui/ViewController.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class MailComposer;

// The platform's mail results, with their values.
enum class MailComposeResult { Cancelled = 0, Saved = 1, Sent = 2, Failed = 3 };

class Label;
class SheetBar;
class TextField;

class MailComposeDelegate {
public:
    virtual ~MailComposeDelegate() = default;
    // The user is done with the composer; the delegate dismisses it.
    virtual void
    mailComposeControllerDidFinishWithResultError(MailComposer& controller,
                                                  MailComposeResult result,
                                                  const std::optional<base::Error>& error) = 0;
};

// A mail being written, shown modally. Its view has a bar with Cancel, Save and Send, the To
// and Subject fields (what is typed there goes into the mail) and the body with the names of
// the attachments; the user's choices come from those buttons or from tests. Sending writes the
// message as an RFC 5322 text (.eml, attachments in base64) into the outbox folder, saving writes
// it into the outbox's "Drafts" folder; nothing leaves the machine. The delegate then hears the
// result; a composer without a delegate dismisses itself so that it never stays stuck on screen. A
// composer has one outcome: the first choice is reported, later ones are ignored and write nothing.
class MailComposer : public ViewController {
public:
    struct Attachment {
        base::Data data;
        std::string MIMEType;
        std::string fileName;
    };

    MailComposer();
    static std::shared_ptr<MailComposer> create() { return std::make_shared<MailComposer>(); }
    std::string className() const override { return "MailComposer"; }

    // Whether mail can be sent: an outbox folder is configured. By default it is
    // <app home>/Documents/Outbox.
    static bool canSendMail();
    static std::optional<std::filesystem::path> outboxDirectory();
    // Configures the outbox; nullopt means no mail account, so canSendMail() is false.
    static void setOutboxDirectory(std::optional<std::filesystem::path> directory);
    // Back to the default outbox (tests).
    static void resetOutboxDirectory();

    std::shared_ptr<MailComposeDelegate> mailComposeDelegate() const { return delegate_.lock(); }
    void setMailComposeDelegate(std::weak_ptr<MailComposeDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    const std::string& subject() const { return subject_; }
    void setSubject(std::string subject) { subject_ = std::move(subject); }
    const std::vector<std::string>& toRecipients() const { return to_; }
    void setToRecipients(std::vector<std::string> recipients) { to_ = std::move(recipients); }
    const std::vector<std::string>& ccRecipients() const { return cc_; }
    void setCcRecipients(std::vector<std::string> recipients) { cc_ = std::move(recipients); }
    const std::vector<std::string>& bccRecipients() const { return bcc_; }
    void setBccRecipients(std::vector<std::string> recipients) { bcc_ = std::move(recipients); }
    const std::string& messageBody() const { return body_; }
    bool isBodyHTML() const { return bodyIsHTML_; }
    void setMessageBodyIsHTML(std::string body, bool isHTML);
    const std::vector<Attachment>& attachments() const { return attachments_; }
    void addAttachmentDataMimeTypeFileName(base::Data data, std::string MIMEType,
                                           std::string fileName);

    // The message as it is written to a file.
    std::string messageText() const;

    // The user's choices; only the first one counts and is reported to the delegate. Send and
    // save report Failed with the error when the file cannot be written (or no outbox is
    // configured).
    void send();
    void saveDraft();
    void cancel();
    // The file the send or save wrote.
    const std::optional<std::filesystem::path>& writtenFile() const { return writtenFile_; }

    // The parts of the view, once it is loaded.
    const std::shared_ptr<SheetBar>& bar() const { return bar_; }
    const std::shared_ptr<BarButtonItem>& cancelButton() const { return cancelButton_; }
    const std::shared_ptr<BarButtonItem>& saveButton() const { return saveButton_; }
    const std::shared_ptr<BarButtonItem>& sendButton() const { return sendButton_; }
    const std::shared_ptr<TextField>& toField() const { return toField_; }
    const std::shared_ptr<TextField>& subjectField() const { return subjectField_; }
    const std::shared_ptr<Label>& bodyLabel() const { return bodyLabel_; }
    void loadView() override;

private:
    void finish(MailComposeResult result, const std::optional<base::Error>& error);
    std::optional<base::Error> write(const std::filesystem::path& directory);

    std::weak_ptr<MailComposeDelegate> delegate_;
    std::string subject_;
    std::vector<std::string> to_;
    std::vector<std::string> cc_;
    std::vector<std::string> bcc_;
    std::string body_;
    bool bodyIsHTML_ = false;
    std::vector<Attachment> attachments_;
    std::optional<std::filesystem::path> writtenFile_;
    bool finished_ = false;
    std::shared_ptr<SheetBar> bar_;
    std::shared_ptr<BarButtonItem> cancelButton_;
    std::shared_ptr<BarButtonItem> saveButton_;
    std::shared_ptr<BarButtonItem> sendButton_;
    std::shared_ptr<TextField> toField_;
    std::shared_ptr<TextField> subjectField_;
    std::shared_ptr<Label> bodyLabel_;
};

} // namespace ui
