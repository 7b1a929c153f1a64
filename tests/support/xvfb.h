// A private X server for the tests that need one (display modes, a real
// window system): Xvfb on a free display number with one 640x480 screen,
// stopped when the object dies. Start it before any child process that uses it.
// Given a directory, the server keeps its screen there as the XWD file
// "Xvfb_screen0" while it runs, so a test can read what a window shows.
#pragma once

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

class XvfbServer {
  public:
    explicit XvfbServer(const std::string& screenDirectory = std::string()) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) return;
        m_pid = fork();
        if (m_pid == 0) {
            close(pipeEnds[0]);
            const std::string fd = std::to_string(pipeEnds[1]);
            // -noreset: the server would otherwise restart, refusing clients
            // for a moment, each time its last client closes.
            if (screenDirectory.empty()) {
                execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten",
                       "tcp", "-noreset", static_cast<char*>(nullptr));
            } else {
                execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten",
                       "tcp", "-noreset", "-fbdir", screenDirectory.c_str(), static_cast<char*>(nullptr));
            }
            _exit(127);
        }
        close(pipeEnds[1]);
        // Xvfb writes its display number once it accepts connections.
        // The read is repeated when a signal interrupts it: closing the pipe
        // early would make the server fail to announce itself and exit.
        std::string number;
        char c = 0;
        ssize_t got = 0;
        while (m_pid > 0 && ((got = read(pipeEnds[0], &c, 1)) == 1 || (got < 0 && errno == EINTR)) && c != '\n')
            if (got == 1) number += c;
        close(pipeEnds[0]);
        if (!number.empty()) m_display = ":" + number;
    }
    ~XvfbServer() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool IsRunning() const { return !m_display.empty(); }
    // ":N"
    const std::string& Display() const { return m_display; }

  private:
    pid_t m_pid = -1;
    std::string m_display;
};
