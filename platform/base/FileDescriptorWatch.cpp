#include "platform/base/FileDescriptorWatch.h"

#include "platform/base/RunLoop.h"

#include <glib.h>

namespace base {

struct FileDescriptorWatch::Source {
    GSource source;
    FileDescriptorWatch* watch;
};

namespace {

GIOCondition conditionFor(unsigned events) {
    unsigned condition = 0;
    if (events & FileDescriptorWatch::Readable)
        condition |= G_IO_IN | G_IO_PRI;
    if (events & FileDescriptorWatch::Writable)
        condition |= G_IO_OUT;
    // Errors and hang-ups are reported whenever anything is asked for.
    if (condition)
        condition |= G_IO_ERR | G_IO_HUP;
    return static_cast<GIOCondition>(condition);
}

unsigned eventsFor(GIOCondition condition) {
    unsigned events = 0;
    if (condition & (G_IO_IN | G_IO_PRI))
        events |= FileDescriptorWatch::Readable;
    if (condition & G_IO_OUT)
        events |= FileDescriptorWatch::Writable;
    if (condition & (G_IO_ERR | G_IO_HUP | G_IO_NVAL))
        events |= FileDescriptorWatch::Failed;
    return events;
}

} // namespace

void FileDescriptorWatch::SourceRelease::operator()(GSource* source) const {
    g_source_destroy(source);
    g_source_unref(source);
}

FileDescriptorWatch::FileDescriptorWatch(RunLoop& loop, int fd, unsigned events, Callback callback)
    : loop_(loop)
    , fd_(fd)
    , events_(events)
    , callback_(std::make_shared<Callback>(std::move(callback))) {
    static GSourceFuncs functions = {nullptr,
                                     nullptr,
                                     [](GSource* source, GSourceFunc, gpointer) -> gboolean {
                                         auto* watch = reinterpret_cast<Source*>(source)->watch;
                                         const unsigned ready =
                                             eventsFor(g_source_query_unix_fd(source, watch->tag_));
                                         watch->loop_.performWatch(*watch, ready);
                                         return G_SOURCE_CONTINUE;
                                     },
                                     nullptr,
                                     nullptr,
                                     nullptr};
    GSource* source = g_source_new(&functions, sizeof(Source));
    reinterpret_cast<Source*>(source)->watch = this;
    g_source_set_name(source, "base::FileDescriptorWatch");
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    tag_ = g_source_add_unix_fd(source, fd, static_cast<GIOCondition>(0));
    source_.reset(source);
    g_source_attach(source, g_main_context_default());
    loop_.addWatch(*this);
}

FileDescriptorWatch::~FileDescriptorWatch() {
    loop_.removeWatch(*this);
}

void FileDescriptorWatch::setEvents(unsigned events) {
    assertMainThread();
    if (events == events_)
        return;
    events_ = events;
    apply(loop_.isHeld());
}

void FileDescriptorWatch::apply(bool held) {
    g_source_modify_unix_fd(source_.get(), tag_,
                            held ? static_cast<GIOCondition>(0) : conditionFor(events_));
}

} // namespace base
