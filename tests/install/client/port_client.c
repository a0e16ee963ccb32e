/* A C program built against the installed port library, as its users build
 * theirs: it starts the millisecond stopwatch and reads it back. */
#include <port.h>
#include <stdio.h>

int main(void) {
    TIMEINIT();
    DELAY(2);
    const int32_t elapsed = TIMEREAD();
    printf("port: %d ms\n", (int)elapsed);
    return elapsed >= 2 && elapsed < 1000 && PORTERROR() == 0 ? 0 : 1;
}
