#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "plugins/brolet/Broadcast.h"
#include "support/Eventually.h"
#include "support/FileText.h"
#include "support/LoopbackSocket.h"
#include "support/SpawnProgram.h"
#include "support/TempFolder.h"

namespace velmora::test {

// A real Icecast on a free loopback port, its configuration and logs in a
// folder of its own; it refuses to run as root, so root starts it as nobody.
class Icecast {
public:
    static constexpr char kSourcePassword[] = "on-air-secret";

    Icecast() { configure(); }
    ~Icecast() { kill(); }

    // Starts the server and waits until it serves. A port taken between
    // choosing and binding it (another test's server) moves it to a fresh one.
    bool start()
    {
        for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
            if (attempt > 0) {
                kill();
                configure();
            }
            if (startOnce())
                return true;
        }
        return false;
    }
    // Starts it again on the same port, where its sources reconnect.
    bool restart()
    {
        kill();
        return startOnce();
    }
    void kill()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        (void)::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    brolet::MountStatus mount(const std::string& mount) const
    {
        return brolet::readMountStatus("127.0.0.1", port_, mount, 1000);
    }
    int port() const { return port_; }
    std::string log() const
    {
        return readText(folder_.file("error.log")) + readText(folder_.file("err.log"));
    }

private:
    static constexpr int kStartAttempts = 3;

    void configure()
    {
        port_ = freePort();
        ::chmod(folder_.path().c_str(), 0777); // nobody writes its logs here
        writeText(
            folder_.file("icecast.xml"),
            "<icecast><limits><sources>4</sources><source-timeout>5</source-timeout></limits>"
            "<authentication><source-password>" +
                std::string(kSourcePassword) +
                "</source-password><admin-user>admin</admin-user><admin-password>admin-secret"
                "</admin-password></authentication><hostname>127.0.0.1</hostname>"
                "<listen-socket><port>" +
                std::to_string(port_) +
                "</port><bind-address>127.0.0.1</bind-address></listen-socket><fileserve>1</fileserve>"
                "<paths><basedir>/usr/share/icecast2</basedir><logdir>" +
                folder_.path() +
                "</logdir><webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin"
                "</adminroot></paths><logging><errorlog>error.log</errorlog><loglevel>3</loglevel>"
                "</logging></icecast>");
        ::chmod(folder_.file("icecast.xml").c_str(), 0644);
    }
    bool startOnce()
    {
        std::vector<std::string> command = {"/usr/bin/icecast2", "-c", folder_.file("icecast.xml")};
        if (::geteuid() == 0)
            command.insert(command.begin(),
                           {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
        pid_ = spawnProgram(command.front(), command, environmentWith({}), folder_.file("out.log"),
                            folder_.file("err.log"));
        // Its status page answers once it serves; a loaded machine may take a while.
        return pid_ > 0 && eventually([&] { return mount("/").reachable; }, std::chrono::seconds(15));
    }

    TempFolder folder_;
    int port_;
    pid_t pid_ = -1;
};

} // namespace velmora::test
