#include "platform/gtk/DesktopClipboard.h"

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/gtk/GLibCallbackData.h"
#include "platform/ui/Image.h"

#include <gtk/gtk.h>
#include <sstream>

namespace gtk {

namespace {

constexpr const char* uriListType = "text/uri-list";

// One read of another program's clipboard. Its callbacks may come after the reader stopped
// waiting (they always come, cancelled or not), so they share it with the reader.
struct Read {
    bool done = false;
    std::optional<std::string> text;
    GOwned<GdkTexture> texture;
    GOwned<GBytes> bytes;
    GOwned<GCancellable> cancellable = adopt(g_cancellable_new());
    GOwned<GOutputStream> sink;
};

// Waits in place for the read; on time-out cancels it and answers false.
bool await(const std::shared_ptr<Read>& read) {
    if (base::RunLoop::main().runOthersUntil([&] { return read->done; },
                                             DesktopClipboard::readTimeout))
        return true;
    g_cancellable_cancel(read->cancellable.get());
    base::log("The desktop's clipboard did not answer in time; nothing is read.");
    return false;
}

GOwned<GdkContentProvider> textProvider(const std::string& text) {
    GValue value = G_VALUE_INIT;
    g_value_init(&value, G_TYPE_STRING);
    g_value_set_string(&value, text.c_str());
    auto provider = adopt(gdk_content_provider_new_for_value(&value));
    g_value_unset(&value);
    return provider;
}

} // namespace

std::shared_ptr<DesktopClipboard> DesktopClipboard::forDefaultDisplay() {
    GdkDisplay* display = gdk_display_get_default();
    return display ? std::make_shared<DesktopClipboard>(gdk_display_get_clipboard(display))
                   : nullptr;
}

DesktopClipboard::DesktopClipboard(GdkClipboard* clipboard)
    : clipboard_(ref(clipboard)) {
    g_signal_connect(clipboard_.get(), "changed", G_CALLBACK(+[](GdkClipboard*, gpointer self) {
                         static_cast<DesktopClipboard*>(self)->changed();
                     }),
                     this);
}

DesktopClipboard::~DesktopClipboard() {
    g_signal_handlers_disconnect_by_data(clipboard_.get(), this);
}

void DesktopClipboard::changed() {
    // This program's own writes are counted as they are made.
    if (!ownItem())
        ++changes_;
}

bool DesktopClipboard::isEmpty() const {
    gsize types = 0;
    gdk_content_formats_get_mime_types(gdk_clipboard_get_formats(clipboard_.get()), &types);
    return types == 0;
}

const DesktopClipboard::Item* DesktopClipboard::ownItem() const {
    GdkContentProvider* shown = gdk_clipboard_get_content(clipboard_.get());
    return written_ && shown == written_.get() ? &item_ : nullptr;
}

bool DesktopClipboard::claim(GOwned<GdkContentProvider> provider, Item item) {
    base::assertMainThread();
    // Known before the clipboard tells of the change, so that it counts once.
    written_ = std::move(provider);
    item_ = std::move(item);
    ++changes_;
    if (gdk_clipboard_set_content(clipboard_.get(), written_.get()))
        return true;
    base::log("The desktop's clipboard could not be claimed.");
    written_.reset();
    item_ = {};
    return false;
}

void DesktopClipboard::setText(std::string text) {
    auto provider = textProvider(text);
    claim(std::move(provider), Item{std::move(text), std::nullopt, nullptr});
}

void DesktopClipboard::setURL(base::URL url) {
    const std::string address = url.absoluteString();
    const std::string list = address + "\r\n";
    auto bytes = adopt(g_bytes_new(list.data(), list.size()));
    // The union takes the providers it is given.
    GdkContentProvider* both[] = {gdk_content_provider_new_for_bytes(uriListType, bytes.get()),
                                  textProvider(address).release()};
    claim(adopt(gdk_content_provider_new_union(both, 2)),
          Item{std::nullopt, std::move(url), nullptr});
}

bool DesktopClipboard::setImage(std::shared_ptr<ui::Image> image) {
    GOwned<GdkTexture> texture;
    if (image && !image->data().empty()) {
        auto bytes = adopt(g_bytes_new(image->data().bytes(), image->data().size()));
        GError* failure = nullptr;
        texture = adopt(gdk_texture_new_from_bytes(bytes.get(), &failure));
        if (const auto error = adopt(failure))
            base::log(std::string("The image cannot go to the clipboard: ") + error->message);
    }
    if (!texture) {
        clear();
        return false;
    }
    return claim(adopt(gdk_content_provider_new_typed(GDK_TYPE_TEXTURE, texture.get())),
                 Item{std::nullopt, std::nullopt, std::move(image)});
}

void DesktopClipboard::clear() {
    claim(nullptr, Item{});
}

std::optional<std::string> DesktopClipboard::text() {
    base::assertMainThread();
    if (const Item* own = ownItem()) {
        if (own->text)
            return own->text;
        if (own->url)
            return own->url->absoluteString();
        return std::nullopt;
    }
    if (isEmpty())
        return std::nullopt;
    auto read = std::make_shared<Read>();
    gdk_clipboard_read_text_async(
        clipboard_.get(), read->cancellable.get(),
        +[](GObject* source, GAsyncResult* result, gpointer data) {
            const auto read = *GLibCallbackData::take<std::shared_ptr<Read>>(data);
            if (auto text =
                    adopt(gdk_clipboard_read_text_finish(GDK_CLIPBOARD(source), result, nullptr)))
                read->text = std::string(text.get());
            read->done = true;
        },
        GLibCallbackData::give(read));
    return await(read) ? read->text : std::nullopt;
}

std::optional<base::URL> DesktopClipboard::url() {
    base::assertMainThread();
    if (const Item* own = ownItem())
        return own->url;
    if (!gdk_content_formats_contain_mime_type(gdk_clipboard_get_formats(clipboard_.get()),
                                               uriListType))
        return std::nullopt;
    auto read = std::make_shared<Read>();
    const char* types[] = {uriListType, nullptr};
    gdk_clipboard_read_async(
        clipboard_.get(), types, G_PRIORITY_DEFAULT, read->cancellable.get(),
        +[](GObject* source, GAsyncResult* result, gpointer data) {
            auto read = *GLibCallbackData::take<std::shared_ptr<Read>>(data);
            auto stream =
                adopt(gdk_clipboard_read_finish(GDK_CLIPBOARD(source), result, nullptr, nullptr));
            if (!stream) {
                read->done = true;
                return;
            }
            // The list comes as a stream that the other program fills while the loop runs.
            read->sink = adopt(g_memory_output_stream_new_resizable());
            g_output_stream_splice_async(
                read->sink.get(), stream.get(),
                GOutputStreamSpliceFlags(G_OUTPUT_STREAM_SPLICE_CLOSE_SOURCE |
                                         G_OUTPUT_STREAM_SPLICE_CLOSE_TARGET),
                G_PRIORITY_DEFAULT, read->cancellable.get(),
                +[](GObject* sink, GAsyncResult* spliced, gpointer data) {
                    const auto read = *GLibCallbackData::take<std::shared_ptr<Read>>(data);
                    if (g_output_stream_splice_finish(G_OUTPUT_STREAM(sink), spliced, nullptr) >= 0)
                        read->bytes = adopt(
                            g_memory_output_stream_steal_as_bytes(G_MEMORY_OUTPUT_STREAM(sink)));
                    read->done = true;
                },
                GLibCallbackData::give(read));
        },
        GLibCallbackData::give(read));
    if (!await(read) || !read->bytes)
        return std::nullopt;
    gsize size = 0;
    const auto* bytes = static_cast<const char*>(g_bytes_get_data(read->bytes.get(), &size));
    // The first address of the list; lines starting with "#" are comments.
    std::istringstream lines(std::string(bytes ? bytes : "", size));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        return base::URL::parse(line);
    }
    return std::nullopt;
}

std::shared_ptr<ui::Image> DesktopClipboard::image() {
    base::assertMainThread();
    if (const Item* own = ownItem())
        return own->image;
    if (isEmpty())
        return nullptr;
    auto read = std::make_shared<Read>();
    gdk_clipboard_read_texture_async(
        clipboard_.get(), read->cancellable.get(),
        +[](GObject* source, GAsyncResult* result, gpointer data) {
            const auto read = *GLibCallbackData::take<std::shared_ptr<Read>>(data);
            read->texture =
                adopt(gdk_clipboard_read_texture_finish(GDK_CLIPBOARD(source), result, nullptr));
            read->done = true;
        },
        GLibCallbackData::give(read));
    if (!await(read) || !read->texture)
        return nullptr;
    auto png = adopt(gdk_texture_save_to_png_bytes(read->texture.get()));
    gsize size = 0;
    const void* bytes = g_bytes_get_data(png.get(), &size);
    return ui::Image::withData(base::Data(bytes, size));
}

} // namespace gtk
