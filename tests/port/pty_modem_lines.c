/* Gives the pseudo-terminals of a process a DCD line that a file controls,
 * for the test of port.dll's carrier-detect watcher under Wine: preloaded
 * into the Wine process, it answers the modem-status query (TIOCMGET) that
 * a pseudo-terminal refuses with the lines of a serial port whose DCD is the
 * first character of the file named by PORT_TEST_DCD_FILE ('1' set,
 * anything else clear). Wine's WaitCommEvent looks at that query every
 * millisecond. Everything else, and every descriptor that answers the query
 * itself, is left alone. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

static int dcdSet(void) {
    const char* path = getenv("PORT_TEST_DCD_FILE");
    char level = '1';
    const int fd = path ? open(path, O_RDONLY | O_CLOEXEC) : -1;
    if (fd >= 0) {
        if (read(fd, &level, 1) != 1) level = '1';
        close(fd);
    }
    return level == '1';
}

int ioctl(int fd, unsigned long request, ...) {
    static int (*real)(int, unsigned long, ...);
    if (!real) *(void**)&real = dlsym(RTLD_NEXT, "ioctl");
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    const int result = real(fd, request, argument);
    const int error = errno;
    if (result == 0 || error != ENOTTY || !getenv("PORT_TEST_DCD_FILE") || !isatty(fd)) {
        errno = error;
        return result;
    }
    if (request == TIOCMGET) {
        *(int*)argument = TIOCM_CTS | TIOCM_DSR | (dcdSet() ? TIOCM_CAR : 0);
        return 0;
    }
    errno = error;
    return result;
}
