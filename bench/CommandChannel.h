#pragma once

// For the child programs of a benchmark (ChildProcess on the parent's side): commands come in
// lines on the standard input, read as the GLib main loop serves it, so that the child keeps
// serving its window and web engine while it waits; answers go out in lines on what was the
// standard output. Anything else the process prints goes to its error output instead, so it
// cannot be taken for an answer.

#include <cstdio>
#include <glib-unix.h>
#include <glib.h>
#include <optional>
#include <string>
#include <unistd.h>

class CommandChannel {
public:
    CommandChannel()
        : answers_(::dup(STDOUT_FILENO)) {
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
        source_ = g_unix_fd_add(STDIN_FILENO, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR),
                                &readable, this);
    }
    ~CommandChannel() {
        if (source_)
            g_source_remove(source_);
        if (answers_ >= 0)
            ::close(answers_);
    }
    CommandChannel(const CommandChannel&) = delete;
    CommandChannel& operator=(const CommandChannel&) = delete;

    // Whether a whole command, or the end of the input, has come: wait on the main loop until
    // it has.
    bool ready() const { return read_.find('\n') != std::string::npos || ended_; }
    // The next command; nullopt once the input has ended.
    std::optional<std::string> take() {
        const auto end = read_.find('\n');
        if (end == std::string::npos)
            return std::nullopt;
        std::string line = read_.substr(0, end);
        read_.erase(0, end + 1);
        return line;
    }
    void answer(const std::string& line) const {
        const std::string whole = line + "\n";
        std::size_t written = 0;
        while (written < whole.size()) {
            const ssize_t wrote = ::write(answers_, whole.data() + written, whole.size() - written);
            if (wrote <= 0)
                return;
            written += std::size_t(wrote);
        }
    }

private:
    static gboolean readable(gint fd, GIOCondition, gpointer data) {
        auto* self = static_cast<CommandChannel*>(data);
        char buffer[4096];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            self->ended_ = true;
            self->source_ = 0;
            return G_SOURCE_REMOVE;
        }
        self->read_.append(buffer, std::size_t(got));
        return G_SOURCE_CONTINUE;
    }

    int answers_ = -1;
    guint source_ = 0;
    std::string read_;
    bool ended_ = false;
};
