#pragma once

// For the benchmark programs: a program started as a child of its own, in a process group of
// its own (so that the web engine's processes it starts go with it), talked to in lines: what
// say() writes comes to its standard input, and readLine() reads what it prints. Its error
// output goes to /dev/null, where the engine's chatter cannot break up the table. It is
// killed, with its whole group, with the object.

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

class ChildProcess {
public:
    // `program` is a path; `arguments` start with the child's argv[0].
    ChildProcess(const std::string& program, std::vector<std::string> arguments) {
        // Close-on-exec: a second child must not hold this one's pipes open.
        int toChild[2];
        int fromChild[2];
        if (::pipe2(toChild, O_CLOEXEC) != 0)
            return;
        if (::pipe2(fromChild, O_CLOEXEC) != 0) {
            ::close(toChild[0]);
            ::close(toChild[1]);
            return;
        }
        // A child that has ended must not end the parent when it is told something.
        std::signal(SIGPIPE, SIG_IGN);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv.data(), environ) != 0)
            pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(toChild[0]);
        ::close(fromChild[1]);
        input_ = toChild[1];
        output_ = fromChild[0];
    }
    ~ChildProcess() {
        if (input_ >= 0)
            ::close(input_);
        if (pid_ > 0) {
            ::kill(-pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0)
            ::close(output_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int pid() const { return pid_; }

    // Writes the line (and its end) to the child's input; false when the child is gone.
    bool say(const std::string& line) {
        const std::string whole = line + "\n";
        std::size_t written = 0;
        while (pid_ > 0 && written < whole.size()) {
            const ssize_t wrote = ::write(input_, whole.data() + written, whole.size() - written);
            if (wrote <= 0)
                return false;
            written += std::size_t(wrote);
        }
        return pid_ > 0;
    }

    // The child's next line (without its end), or nullopt when none came within the limit or
    // the child ended.
    std::optional<std::string> readLine(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            if (const auto end = read_.find('\n'); end != std::string::npos) {
                std::string line = read_.substr(0, end);
                read_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || pid_ <= 0)
                return std::nullopt;
            pollfd wait{output_, POLLIN, 0};
            if (::poll(&wait, 1, int(left.count())) <= 0)
                return std::nullopt;
            char buffer[256];
            const ssize_t got = ::read(output_, buffer, sizeof buffer);
            if (got <= 0)
                return std::nullopt;
            read_.append(buffer, std::size_t(got));
        }
    }

private:
    pid_t pid_ = 0;
    int input_ = -1;
    int output_ = -1;
    std::string read_;
};
