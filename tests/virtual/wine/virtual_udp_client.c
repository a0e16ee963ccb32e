/* A Windows program hearing IR frames without a receiver: a C client of
 * port.dll, built as its users build theirs (port.h and the import library),
 * whose COM1 is mapped to the virtual receiver on UDP
 * (PORT_COM1=virtual:udp:127.0.0.1:<port>). A remote control on the other
 * side of the loopback (udp_remote.sh starts irremote) sends frames of one
 * tank; the client reads the line's level with DCD and one whole frame's
 * edges with EDGEREAD, and checks every level's length against the frame
 * those edges carry: a 2600 us header, 400 us pulses, gaps of 400 us (0) or
 * 1100 us (1), each within 100 us. It prints that frame's bits ("frame
 * 011...", bit 0 first) for the runner, which checks it was sent.
 *
 * Prints one line per failed check and exits with their count. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include "port.h"

enum { BITS = 18, EDGES_PER_FRAME = 2 + 2 * BITS, MAX_EDGES = 4096 };
enum { HEADER_US = 2600, PULSE_US = 400, ZERO_GAP_US = 400, ONE_GAP_US = 1100, TOLERANCE_US = 100 };
/* Frames of one tank are 80 ms apart; a frame's longest high level is 1100 us. */
enum { QUIET_BEFORE_FRAME_US = 3000 };

static int failures = 0;

static void check(int ok, const char* what, long got) {
    if (ok) return;
    ++failures;
    printf("FAIL: %s (got %ld)\n", what, got);
}

/* The microsecond stopwatch's times go round modulo 2^32. */
static int32_t since(int32_t from, int32_t to) { return (int32_t)((uint32_t)to - (uint32_t)from); }

/* DCD follows the line: idle (1) between frames, 0 during their pulses. */
static void checkDcd(void) {
    int sawHigh = 0, sawLow = 0;
    const DWORD start = GetTickCount();
    while (!(sawHigh && sawLow) && GetTickCount() - start < 5000) {
        if (DCD()) sawHigh = 1;
        else sawLow = 1;
    }
    check(sawHigh, "DCD reads 1 between frames", sawHigh);
    check(sawLow, "DCD reads 0 during a frame's pulses", sawLow);
}

/* Reads edges until one whole frame (a falling edge after a quiet line,
 * then 37 more changes) is in; its levels' lengths in `lengths`. */
static int readFrame(int32_t lengths[EDGES_PER_FRAME - 1]) {
    static int32_t level[MAX_EDGES], at[MAX_EDGES];
    int count = 0, first = -1;
    const DWORD start = GetTickCount();
    while (count < MAX_EDGES && GetTickCount() - start < 20000) {
        int32_t time = 0;
        const int32_t got = EDGEREAD(&time);
        if (got == PORT_EDGE_NONE_WAITING) {
            EDGEWAIT(100);
            continue;
        }
        check(got == 0 || got == 1, "EDGEREAD gives a level (no loss, no end)", got);
        if (got != 0 && got != 1) return 0;
        level[count] = got;
        at[count] = time;
        ++count;
        if (first < 0 && got == 0 && count >= 2 && since(at[count - 2], time) > QUIET_BEFORE_FRAME_US)
            first = count - 1;
        if (first >= 0 && count - first == EDGES_PER_FRAME) {
            for (int i = 0; i + 1 < EDGES_PER_FRAME; ++i) {
                if (level[first + i] != (i % 2 == 0 ? 0 : 1)) {
                    check(0, "the frame's edges alternate, low first", i);
                    return 0;
                }
                lengths[i] = since(at[first + i], at[first + i + 1]);
            }
            check(level[first + EDGES_PER_FRAME - 1] == 1, "the frame ends with the line high", 0);
            return 1;
        }
    }
    check(0, "a whole frame arrives within 20 s", count);
    return 0;
}

static int32_t worstUs = 0;

static void checkLength(int32_t got, int32_t sent, const char* what, int index) {
    const int32_t off = got > sent ? got - sent : sent - got;
    if (off > worstUs) worstUs = off;
    if (off <= TOLERANCE_US) return;
    ++failures;
    printf("FAIL: %s %d lasts %ld us, sent %ld us\n", what, index, (long)got, (long)sent);
}

int main(void) {
    const int32_t number = OPENCOM("COM1:");
    check(number == 1, "OPENCOM of COM1 mapped to the virtual receiver on UDP gives 1", number);
    if (number != 1) return failures;
    check(EDGES() == PORT_EDGES_EXACT, "EDGES() on the virtual receiver", EDGES());
    TIMEINITUS();

    checkDcd();
    int32_t lengths[EDGES_PER_FRAME - 1];
    if (readFrame(lengths)) {
        char bits[BITS + 1];
        checkLength(lengths[0], HEADER_US, "header", 0);
        for (int bit = 0; bit < BITS; ++bit) {
            const int32_t gap = lengths[1 + 2 * bit];
            bits[bit] = gap > 750 ? '1' : '0';
            checkLength(gap, gap > 750 ? ONE_GAP_US : ZERO_GAP_US, "gap", bit);
            checkLength(lengths[2 + 2 * bit], PULSE_US, "pulse", bit);
        }
        bits[BITS] = '\0';
        printf("frame %s (lengths at most %ld us off)\n", bits, (long)worstUs);
    }

    int32_t result = CLOSECOM();
    check(result != 0, "CLOSECOM of the virtual receiver", result);
    result = OPENCOM("COM1:");
    check(result == 1, "the UDP port is free again after CLOSECOM", result);
    CLOSECOM();

    /* A mapping without a port number is refused like an absent port. */
    SetEnvironmentVariableA("PORT_COM2", "virtual:udp:127.0.0.1");
    result = OPENCOM("COM2:");
    check(result == 0, "OPENCOM of COM2 mapped without a UDP port gives 0", result);
    check(EDGES() == PORT_EDGES_NONE, "no edges without a port", EDGES());
    fflush(stdout);
    return failures;
}
