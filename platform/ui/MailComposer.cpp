#include "platform/ui/MailComposer.h"

#include "platform/base/AppHome.h"
#include "platform/base/Clock.h"
#include "platform/base/HTTPDate.h"
#include "platform/base/Strings.h"
#include "platform/ui/Label.h"
#include "platform/ui/Screen.h"
#include "platform/ui/SheetBar.h"
#include "platform/ui/TextField.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <openssl/evp.h>

namespace ui {

namespace {

struct OutboxSetting {
    std::mutex mutex;
    bool useDefault = true;
    std::optional<std::filesystem::path> directory;
};

OutboxSetting& outboxSetting() {
    static OutboxSetting setting;
    return setting;
}

// A header value on one line: line breaks would let the text add headers of its own.
std::string headerText(const std::string& text) {
    std::string out;
    for (char c : text)
        out.push_back(c == '\r' || c == '\n' ? ' ' : c);
    return out;
}

std::string base64(const std::uint8_t* bytes, std::size_t size) {
    std::string out(4 * ((size + 2) / 3), '\0');
    if (size > 0) {
        const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes,
                                            static_cast<int>(size));
        out.resize(std::size_t(written));
    }
    return out;
}

// Non-ASCII header text as an RFC 2047 encoded word.
std::string encodedHeader(const std::string& text) {
    const std::string line = headerText(text);
    for (unsigned char c : line)
        if (c >= 0x80)
            return "=?UTF-8?B?" +
                   base64(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()) + "?=";
    return line;
}

std::string joined(const std::vector<std::string>& addresses) {
    std::string out;
    for (const auto& address : addresses) {
        if (!out.empty())
            out += ", ";
        out += headerText(address);
    }
    return out;
}

// A file name for a MIME parameter: quoted, without the characters that would end it.
std::string parameterText(const std::string& text) {
    std::string out;
    for (char c : headerText(text))
        if (c != '"' && c != '\\')
            out.push_back(c);
    return out;
}

std::string wrapped(const std::string& text, std::size_t width) {
    std::string out;
    for (std::size_t at = 0; at < text.size(); at += width)
        out += text.substr(at, width) + "\r\n";
    return out;
}

} // namespace

MailComposer::MailComposer() {
    setTitle("New Message");
}

bool MailComposer::canSendMail() {
    return outboxDirectory().has_value();
}

std::optional<std::filesystem::path> MailComposer::outboxDirectory() {
    auto& setting = outboxSetting();
    std::lock_guard lock(setting.mutex);
    if (setting.useDefault)
        return base::AppHome::documentsDirectory() / "Outbox";
    return setting.directory;
}

void MailComposer::setOutboxDirectory(std::optional<std::filesystem::path> directory) {
    auto& setting = outboxSetting();
    std::lock_guard lock(setting.mutex);
    setting.useDefault = false;
    setting.directory = std::move(directory);
}

void MailComposer::resetOutboxDirectory() {
    auto& setting = outboxSetting();
    std::lock_guard lock(setting.mutex);
    setting.useDefault = true;
    setting.directory.reset();
}

void MailComposer::setMessageBodyIsHTML(std::string body, bool isHTML) {
    body_ = std::move(body);
    bodyIsHTML_ = isHTML;
}

void MailComposer::addAttachmentDataMimeTypeFileName(base::Data data, std::string MIMEType,
                                                     std::string fileName) {
    attachments_.push_back({std::move(data), std::move(MIMEType), std::move(fileName)});
}

std::string MailComposer::messageText() const {
    static std::atomic<unsigned> boundaryCounter{0};
    std::string text;
    text += "Date: " + base::formatHTTPDate(base::Clock::current().now()) + "\r\n";
    text += "Subject: " + encodedHeader(subject_) + "\r\n";
    if (!to_.empty())
        text += "To: " + joined(to_) + "\r\n";
    if (!cc_.empty())
        text += "Cc: " + joined(cc_) + "\r\n";
    if (!bcc_.empty())
        text += "Bcc: " + joined(bcc_) + "\r\n";
    text += "MIME-Version: 1.0\r\n";
    const std::string bodyType =
        std::string(bodyIsHTML_ ? "text/html" : "text/plain") + "; charset=utf-8";
    const std::string bodyPart =
        "Content-Type: " + bodyType + "\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
        wrapped(base64(reinterpret_cast<const std::uint8_t*>(body_.data()), body_.size()), 76);
    if (attachments_.empty())
        return text + bodyPart;

    const std::string boundary = "=_part_" + std::to_string(++boundaryCounter) + "_" +
                                 std::to_string(base::Clock::current().monotonicNanoseconds());
    text += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
    text += "--" + boundary + "\r\n" + bodyPart;
    for (const auto& attachment : attachments_) {
        const std::string name = parameterText(attachment.fileName);
        text += "--" + boundary + "\r\n";
        text += "Content-Type: " + headerText(attachment.MIMEType) + "; name=\"" + name + "\"\r\n";
        text += "Content-Disposition: attachment; filename=\"" + name + "\"\r\n";
        text += "Content-Transfer-Encoding: base64\r\n\r\n";
        text += wrapped(base64(attachment.data.bytes(), attachment.data.size()), 76);
    }
    return text + "--" + boundary + "--\r\n";
}

std::optional<base::Error> MailComposer::write(const std::filesystem::path& directory) {
    if (auto made = base::createDirectories(directory); !made)
        return made.error();
    // A name of its own for every message: time, then a counter against collisions.
    const auto stamp = std::to_string(
        static_cast<long long>(base::Clock::current().now().timeIntervalSince1970() * 1000));
    std::filesystem::path path;
    for (int attempt = 0;; ++attempt) {
        path = directory / (stamp + (attempt ? "-" + std::to_string(attempt) : "") + ".eml");
        if (!base::fileExists(path))
            break;
    }
    if (auto written = base::writeFileAtomically(path, base::Data::fromString(messageText()));
        !written)
        return written.error();
    writtenFile_ = path;
    return std::nullopt;
}

void MailComposer::loadView() {
    const Rect bounds = Screen::mainScreen().bounds();
    const double width = bounds.width();
    auto root = View::create(bounds);
    root->setBackgroundColor(Color::whiteColor());
    std::weak_ptr<ViewController> weak = weak_from_this();
    const auto choice = [weak](void (MailComposer::*choose)()) {
        return [weak, choose](BarButtonItem&) {
            if (auto self = std::static_pointer_cast<MailComposer>(weak.lock()))
                (self.get()->*choose)();
        };
    };
    cancelButton_ = BarButtonItem::createWithSystemItem(BarButtonSystemItem::Cancel);
    cancelButton_->setAction(this, "cancel", choice(&MailComposer::cancel));
    saveButton_ = BarButtonItem::createWithTitle("Save", BarButtonItemStyle::Plain);
    saveButton_->setAction(this, "saveDraft", choice(&MailComposer::saveDraft));
    sendButton_ = BarButtonItem::createWithTitle("Send", BarButtonItemStyle::Done);
    sendButton_->setAction(this, "send", choice(&MailComposer::send));
    bar_ = SheetBar::create(Rect(0, Screen::statusBarHeight, width, SheetBar::height));
    bar_->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
    bar_->setTitle(subject_.empty() ? title() : subject_);
    bar_->setItems({cancelButton_}, {saveButton_, BarButtonItem::fixedSpace(12), sendButton_});
    root->addSubview(bar_);

    double y = bar_->frame().maxY() + 8;
    const auto field = [&](const std::string& name, std::string text,
                           std::function<void(const std::string&)> changed) {
        auto label = Label::create(Rect(8, y, 72, 30));
        label->setText(name);
        label->setTextColor(Color::grayColor());
        root->addSubview(label);
        auto entry = TextField::create(Rect(80, y, width - 88, 30));
        entry->setText(std::move(text));
        entry->setBorderStyle(TextBorderStyle::RoundedRect);
        entry->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
        entry->addAction(
            this, "editingChanged",
            [changed](Control& control, const Event*) {
                changed(static_cast<TextField&>(control).text());
            },
            ControlEventEditingChanged);
        root->addSubview(entry);
        y += 38;
        return entry;
    };
    toField_ = field("To:", base::join(to_, ", "), [weak](const std::string& text) {
        auto self = std::static_pointer_cast<MailComposer>(weak.lock());
        if (!self)
            return;
        std::vector<std::string> addresses;
        for (const auto& piece : base::split(text, ","))
            if (auto address = base::trim(piece); !address.empty())
                addresses.push_back(address);
        self->to_ = std::move(addresses);
    });
    subjectField_ = field("Subject:", subject_, [weak](const std::string& text) {
        if (auto self = std::static_pointer_cast<MailComposer>(weak.lock())) {
            self->subject_ = text;
            self->bar_->setTitle(text.empty() ? self->title() : text);
        }
    });

    std::string body = body_;
    for (const auto& attachment : attachments_)
        body += "\n\n\U0001F4CE " + attachment.fileName;
    // The body starts under the fields, as tall as its text and no taller than the screen.
    const double room = bounds.height() - y - 16;
    bodyLabel_ = Label::create(Rect(8, y + 8, width - 16, room));
    bodyLabel_->setText(std::move(body));
    bodyLabel_->setNumberOfLines(0);
    bodyLabel_->setFrame(
        Rect(8, y + 8, width - 16, SheetBar::textHeight(*bodyLabel_, width - 16, room)));
    bodyLabel_->setAutoresizingMask(ViewAutoresizingFlexibleWidth);
    root->addSubview(bodyLabel_);
    setView(root);
}

void MailComposer::send() {
    if (finished_)
        return;
    auto outbox = outboxDirectory();
    if (!outbox) {
        finish(MailComposeResult::Failed,
               base::Error::make("MailComposerErrorDomain", 1, "No mail account is set up."));
        return;
    }
    auto error = write(*outbox);
    finish(error ? MailComposeResult::Failed : MailComposeResult::Sent, error);
}

void MailComposer::saveDraft() {
    if (finished_)
        return;
    auto outbox = outboxDirectory();
    if (!outbox) {
        finish(MailComposeResult::Failed,
               base::Error::make("MailComposerErrorDomain", 0, "No mail account is set up."));
        return;
    }
    auto error = write(*outbox / "Drafts");
    finish(error ? MailComposeResult::Failed : MailComposeResult::Saved, error);
}

void MailComposer::cancel() {
    finish(MailComposeResult::Cancelled, std::nullopt);
}

void MailComposer::finish(MailComposeResult result, const std::optional<base::Error>& error) {
    if (finished_)
        return;
    finished_ = true;
    auto keepAlive = shared_from_this();
    if (auto delegate = delegate_.lock())
        delegate->mailComposeControllerDidFinishWithResultError(*this, result, error);
    else
        dismissViewControllerAnimated(true);
}

} // namespace ui
