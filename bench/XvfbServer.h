#pragma once

// A headless X server of the benchmark's own, for as long as the object
// lives, so that what draws on a real display is measured on one.

#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

class XvfbServer {
public:
    XvfbServer()
    {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            return;
        m_server = fork();
        if (m_server == 0) {
            close(pipeFds[0]);
            const std::string fd = std::to_string(pipeFds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp", static_cast<char *>(nullptr));
            _exit(127);
        }
        close(pipeFds[1]);
        // The server writes its display number and a new line in two writes,
        // and stops with a broken pipe if the reader has gone before the
        // second: so the reading goes on to the new line.
        std::string number;
        char c;
        while (read(pipeFds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(pipeFds[0]);
        if (!number.empty())
            m_name = ":" + number;
    }

    ~XvfbServer()
    {
        if (m_server > 0) {
            kill(m_server, SIGTERM);
            waitpid(m_server, nullptr, 0);
        }
    }

    XvfbServer(const XvfbServer &) = delete;
    XvfbServer &operator=(const XvfbServer &) = delete;

    // Empty when the server did not start.
    const std::string &name() const { return m_name; }
    pid_t pid() const { return m_server; }

private:
    pid_t m_server = -1;
    std::string m_name;
};
