#include "support/AiosmtpdServer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace corvalet::test {

namespace {

constexpr const char* Python = "/usr/bin/python3";

std::string ScriptPath(const std::string& script) {
    return std::string(CORVALET_TEST_SUPPORT_DIR) + "/" + script;
}

// Starts the script with its standard input and output on pipes; returns the child.
pid_t Spawn(const std::string& script, const std::vector<std::string>& arguments, int& input, int& output) {
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot create pipes");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<std::string> words{Python, ScriptPath(script)};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = -1;
    const int result = posix_spawn(&child, Python, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (result != 0) {
        close(in[1]);
        close(out[0]);
        throw std::runtime_error("cannot start " + std::string(Python));
    }
    input = in[1];
    output = out[0];
    return child;
}

// Reads from `fd` until a line end or the writer closes, at most timeoutMs.
std::string ReadFirstLine(int fd, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string text;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        if (left <= 0)
            return text;
        pollfd entry{fd, POLLIN, 0};
        const int ready = poll(&entry, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return text;
        char chunk[4096];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0)
            return text;
        text.append(chunk, static_cast<std::size_t>(n));
        if (text.find('\n') != std::string::npos)
            return text;
    }
}

} // namespace

TAiosmtpdServer::TAiosmtpdServer() : TAiosmtpdServer(std::vector<std::string>{}) {}

TAiosmtpdServer::TAiosmtpdServer(const std::vector<std::string>& options) {
    int output = -1;
    std::vector<std::string> arguments{Folder.Path().string()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    Child = Spawn("aiosmtpd_store.py", arguments, Input, output);
    const std::string line = ReadFirstLine(output, 15000);
    close(output);
    try {
        ListenPort = std::stoi(line);
    } catch (const std::exception&) {
        ListenPort = 0;
    }
    if (ListenPort <= 0) {
        Stop();
        throw std::runtime_error("aiosmtpd did not start: " + line);
    }
}

TAiosmtpdServer::~TAiosmtpdServer() {
    Stop();
}

void TAiosmtpdServer::Stop() {
    if (Input >= 0) {
        close(Input); // the server ends when its input closes
        Input = -1;
    }
    if (Child > 0) {
        for (int i = 0; i < 100; ++i) {
            if (waitpid(Child, nullptr, WNOHANG) == Child) {
                Child = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill(Child, SIGKILL);
        waitpid(Child, nullptr, 0);
        Child = -1;
    }
}

bool TAiosmtpdServer::WaitForDelivery(int number, int timeoutMs) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!std::filesystem::exists(MessagePath(number))) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::string TAiosmtpdServer::MessagePath(int number) const {
    return Folder.File(std::to_string(number) + ".eml").string();
}

std::vector<std::string> TAiosmtpdServer::Envelope(int number) const {
    std::ifstream in(Folder.File(std::to_string(number) + ".envelope"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string TAiosmtpdServer::AuthorityFile() const {
    return Folder.File("ca.pem").string();
}

std::string TAiosmtpdServer::CommandLog() const {
    std::ifstream in(Folder.File("commands.log"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string TAiosmtpdServer::MailFromLog() const {
    std::ifstream in(Folder.File("mail-from.log"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace corvalet::test
