/* A C client of port.dll written as its users write one: it includes port.h
 * and links the import library, so every call below goes through the names
 * the compiler gives the stdcall imports (_imp__OPENCOM@4 on 32-bit Windows).
 * That it links at all is the first check.
 *
 *   port_client.exe          calls that need no serial port
 *   port_client.exe COM5     also the serial layer on COM5, whose other end
 *                            answers every byte with that byte plus one
 *
 * Prints one line per failed check and exits with their count. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "port.h"

static int failures = 0;

static void check(int ok, const char* what, long got) {
    if (ok) return;
    ++failures;
    printf("FAIL: %s (got %ld)\n", what, got);
}

static void checkWithoutAPort(void) {
    int32_t result = CLOSECOM();
    check(result == 0, "CLOSECOM with no port open gives 0", result);
    result = OPENCOM("COM9:");
    check(result == 0, "OPENCOM of an absent port gives 0", result);
    result = READBYTE();
    check(result == -1, "READBYTE with no port gives -1", result);

    TIMEINIT();
    DELAY(5);
    result = TIMEREAD();
    check(result >= 5 && result < 5000, "TIMEINIT, DELAY(5), TIMEREAD gives 5 or more", result);
    DELAY(-1);
    result = PORTERROR();
    check(result == PORT_ERROR_RANGE, "DELAY(-1) is a range error", result);
    result = SOUNDSETRATE(8000);
    check(result == 11025, "SOUNDSETRATE gives the previous rate", result);
    result = SOUNDGETRATE();
    check(result == 8000, "SOUNDGETRATE gives the new rate", result);
}

/* The whole serial layer of the library on one port: control block,
 * timeouts, the immediate character, the synchronous read, the close. */
static void checkSerial(const char* name) {
    char mode[32];
    printf("serial layer on %s\n", name);
    snprintf(mode, sizeof mode, "%s:9600,N,8,1", name);
    const int32_t number = name[3] - '0';
    int32_t result = OPENCOM(mode);
    check(result == number, "OPENCOM of the mapped port gives its number", result);
    result = TIMEOUT(100);
    check(result == 30, "TIMEOUT after OPENCOM gives the initial 30", result);

    SENDBYTE(0x141);
    result = READBYTE();
    check(result == 0x42, "SENDBYTE(0x141) sends 0x41; the other end answers 0x42", result);
    SENDBYTE(0xFE);
    result = READBYTE();
    check(result == 0xFF, "a byte above 127 comes back whole", result);

    const DWORD start = GetTickCount();
    result = READBYTE();
    const DWORD waited = GetTickCount() - start;
    check(result == -1, "READBYTE with nothing sent gives -1", result);
    check(waited >= 50 && waited < 5000, "READBYTE waits for the 1 + 100 ms timeout (ms)", (long)waited);

    result = CLOSECOM();
    check(result != 0, "CLOSECOM of the open port gives nonzero", result);
    result = READBYTE();
    check(result == -1, "READBYTE after CLOSECOM gives -1", result);
    result = PORTERROR();
    check(result == PORT_ERROR_NONE, "no call stopped with an error", result);
}

int main(int argc, char** argv) {
    checkWithoutAPort();
    if (argc > 1) checkSerial(argv[1]);
    printf("%d failed\n", failures);
    return failures;
}
