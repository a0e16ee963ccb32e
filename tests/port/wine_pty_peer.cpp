// The far end of a serial line for port.dll under Wine: opens a
// pseudo-terminal, prints the path of its terminal side, then answers every
// byte that arrives with that byte plus one, until its standard input is
// closed or a minute has passed.
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>

int main() {
    int master = -1;
    int terminal = -1;
    if (openpty(&master, &terminal, nullptr, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios raw{};
    tcgetattr(master, &raw);
    cfmakeraw(&raw);
    tcsetattr(master, TCSANOW, &raw);
    std::printf("%s\n", ttyname(terminal));
    std::fflush(stdout);
    // The terminal side stays open here too, so that the line does not hang
    // up between the client's opens.
    for (int idle = 0; idle < 600;) {
        pollfd entries[2] = {{master, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (poll(entries, 2, 100) <= 0) {
            ++idle;
            continue;
        }
        if (entries[1].revents != 0) {
            char ignored;
            if (read(STDIN_FILENO, &ignored, 1) <= 0) break;
        }
        unsigned char byte = 0;
        if ((entries[0].revents & POLLIN) != 0 && read(master, &byte, 1) == 1) {
            const unsigned char answer = static_cast<unsigned char>(byte + 1);
            if (write(master, &answer, 1) != 1) break;
        }
    }
    return 0;
}
