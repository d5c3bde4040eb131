#pragma once

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/XServer.h"

// What the X11 tests share: a private Xvfb server, the probe program that
// runs the platform on it in a process of its own (the backend is chosen once
// per process), and the test's own connection for its side of the
// conversation.
namespace velmora::test::x11 {

using Clock = std::chrono::steady_clock;

inline bool xvfbInstalled()
{
    return access("/usr/bin/Xvfb", X_OK) == 0 || access("/usr/local/bin/Xvfb", X_OK) == 0;
}

using test::XvfbServer;

// The probe program with the platform on the X11 backend; it talks in lines
// on its standard output and ends when its standard input closes.
class Probe {
public:
    Probe(const std::string& display, const std::vector<std::string>& arguments,
          const std::vector<std::string>& environment = {})
    {
        int toChild[2];
        int fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(toChild[0], STDIN_FILENO);
            dup2(fromChild[1], STDOUT_FILENO);
            close(toChild[0]);
            close(toChild[1]);
            close(fromChild[0]);
            close(fromChild[1]);
            setenv("DISPLAY", display.c_str(), 1);
            setenv("VELMORA_UI", "x11", 1);
            for (const std::string& entry : environment)
                putenv(strdup(entry.c_str()));
            const std::string program = std::string(VELMORA_TEST_PROGRAMS_DIR) + "/x11_probe";
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        input_ = toChild[1];
        output_ = fromChild[0];
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;
    ~Probe()
    {
        closeInput();
        if (pid_ > 0) {
            // It ends once its input is closed; a hung probe is ended for it.
            const auto deadline = Clock::now() + std::chrono::seconds(5);
            int status = 0;
            while (waitpid(pid_, &status, WNOHANG) == 0) {
                if (Clock::now() > deadline) {
                    kill(pid_, SIGKILL);
                    waitpid(pid_, &status, 0);
                    break;
                }
                usleep(10000);
            }
        }
        if (output_ >= 0)
            close(output_);
    }

    void closeInput()
    {
        if (input_ >= 0)
            close(input_);
        input_ = -1;
    }

    // The next line the probe writes, or nothing when it says nothing in time.
    std::optional<std::string> readLine(std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        const auto deadline = Clock::now() + limit;
        for (;;) {
            if (const size_t end = pending_.find('\n'); end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return std::nullopt;
            pollfd readable{output_, POLLIN, 0};
            if (poll(&readable, 1, static_cast<int>(left.count())) <= 0)
                continue;
            char buffer[512];
            const ssize_t got = read(output_, buffer, sizeof buffer);
            if (got <= 0)
                return std::nullopt;
            pending_.append(buffer, static_cast<size_t>(got));
        }
    }

    // Lines until one starts with prefix (that one is answered).
    std::optional<std::string> waitFor(const std::string& prefix,
                                       std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            auto line =
                readLine(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
            if (!line)
                return std::nullopt;
            if (line->rfind(prefix, 0) == 0)
                return line;
        }
        return std::nullopt;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string pending_;
};

// The test's own connection to the server.
class Client {
public:
    explicit Client(const std::string& display) : display_(openOutsideConnection(display)) {}
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;
    ~Client()
    {
        if (display_ != nullptr)
            XCloseDisplay(display_);
    }

    bool connected() const { return display_ != nullptr; }
    ::Display* display() const { return display_; }
    ::Window root() const { return DefaultRootWindow(display_); }
    Atom atom(const char* name) { return atomNamed(display_, name); }

    // A top-level window (a child of the root) whose name is title; None if there is none.
    ::Window findWindow(const std::string& title)
    {
        for (::Window window : childWindows(display_, root()))
            if (windowTitle(display_, window) == title)
                return window;
        return None;
    }

    // The next event, or nothing within the limit.
    std::optional<XEvent> nextEvent(std::chrono::milliseconds limit)
    {
        return nextXEvent(display_, Clock::now() + limit);
    }

    // Window pixels as 0xRRGGBB, row after row; empty when it cannot be read.
    std::vector<uint32_t> pixels(::Window window, int width, int height)
    {
        std::vector<uint32_t> result;
        for (unsigned long value : windowPixels(display_, window, width, height))
            result.push_back(static_cast<uint32_t>(value) & 0xFFFFFFu);
        return result;
    }

    // Sends a pointer button event to window at a point of it, as a user's click would arrive.
    void sendButton(::Window window, int x, int y, unsigned button, bool press)
    {
        XEvent event{};
        event.xbutton.type = press ? ButtonPress : ButtonRelease;
        event.xbutton.display = display_;
        event.xbutton.window = window;
        event.xbutton.root = root();
        event.xbutton.x = x;
        event.xbutton.y = y;
        event.xbutton.button = button;
        event.xbutton.state = press ? 0 : Button1Mask;
        event.xbutton.same_screen = True;
        XSendEvent(display_, window, False, press ? ButtonPressMask : ButtonReleaseMask, &event);
        XFlush(display_);
    }

    void sendMotion(::Window window, int x, int y)
    {
        XEvent event{};
        event.xmotion.type = MotionNotify;
        event.xmotion.display = display_;
        event.xmotion.window = window;
        event.xmotion.root = root();
        event.xmotion.x = x;
        event.xmotion.y = y;
        event.xmotion.same_screen = True;
        XSendEvent(display_, window, False, PointerMotionMask, &event);
        XFlush(display_);
    }

    void sendKey(::Window window, KeySym keysym, bool press, unsigned state = 0)
    {
        XEvent event{};
        event.xkey.type = press ? KeyPress : KeyRelease;
        event.xkey.display = display_;
        event.xkey.window = window;
        event.xkey.root = root();
        event.xkey.keycode = XKeysymToKeycode(display_, keysym);
        event.xkey.state = state;
        event.xkey.same_screen = True;
        XSendEvent(display_, window, False, press ? KeyPressMask : KeyReleaseMask, &event);
        XFlush(display_);
    }

private:
    ::Display* display_ = nullptr;
};

// A suite on its own Xvfb server, started once for the suite, with the test's
// connection to it; skipped where Xvfb is not installed. A derived SetUp calls
// this one first and returns when it skipped or failed.
class XvfbTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (xvfbInstalled())
            server_ = new XvfbServer();
    }
    static void TearDownTestSuite()
    {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override
    {
        if (server_ == nullptr)
            GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_TRUE(server_->running()) << "Xvfb did not start";
        client_ = std::make_unique<Client>(server_->display());
        ASSERT_TRUE(client_->connected());
    }
    bool setUpFailed() const { return IsSkipped() || HasFatalFailure(); }

    const std::string& display() const { return server_->display(); }

    // The probe's window, once the server knows it.
    ::Window waitForWindow(const std::string& title)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < deadline) {
            if (::Window window = client_->findWindow(title))
                return window;
            usleep(10000);
        }
        return None;
    }

    // The window of a probe started in the given mode, once the probe has shown
    // it and the server knows it; None (and a failure) otherwise.
    ::Window shownWindow(Probe& probe, const std::string& mode)
    {
        if (!probe.waitFor("shown")) {
            ADD_FAILURE() << "the probe did not show its " << mode << " window";
            return None;
        }
        return waitForWindow("x11-probe " + mode);
    }

    static inline XvfbServer* server_ = nullptr;
    std::unique_ptr<Client> client_;
};

} // namespace velmora::test::x11
