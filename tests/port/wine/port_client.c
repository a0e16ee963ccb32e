/* A C client of port.dll written as its users write one: it includes port.h
 * and links the import library, so every call below goes through the names
 * the compiler gives the stdcall imports (_imp__OPENCOM@4 on 32-bit Windows).
 * That it links at all is the first check.
 *
 *   port_client.exe                   calls that need no serial port
 *   port_client.exe COM5              also the serial layer on COM5, whose other
 *                                     end answers every byte with that byte plus one
 *   port_client.exe COM5 FILE edges   the thread that watches COM5's DCD, whose
 *                                     level the client sets by writing 0 or 1 to FILE
 *   port_client.exe COM5 FILE unload  that thread and the port when the library
 *                                     is unloaded
 *
 * Each watcher check runs in a process of its own: under Wine 8 the
 * threads that carry out WaitCommEvent end without the loader's cleanup,
 * and a later thread's end or a library's load in the same process may
 * then fail.
 *
 * Prints one line per failed check and exits with their count. */
#include <stdio.h>
#include <string.h>
#include <windows.h>
#include <tlhelp32.h>

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

/* A function of a loaded library, bound to its type `Fn` (FARPROC does
 * not convert to another function type without a warning). */
#define BIND(Fn, module, name, target)                          \
    do {                                                        \
        const FARPROC found = GetProcAddress((module), (name)); \
        memcpy(&(target), &found, sizeof(Fn));                  \
    } while (0)

/* The threads of this process that started in `module` (the library's own;
 * the system's serial layer may run threads of its own beside them), and
 * the first of them opened for a later look at whether it has ended. */
static int threadsStartedIn(HMODULE module, HANDLE* first) {
    typedef LONG(WINAPI * QueryFn)(HANDLE, int, void*, ULONG, ULONG*);
    QueryFn query = NULL;
    BIND(QueryFn, GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread", query);
    const int startAddress = 9; /* ThreadQuerySetWin32StartAddress */
    const char* base = (const char*)module;
    const IMAGE_NT_HEADERS* headers = (const IMAGE_NT_HEADERS*)(base + ((const IMAGE_DOS_HEADER*)base)->e_lfanew);
    const DWORD size = headers->OptionalHeader.SizeOfImage;
    const DWORD self = GetCurrentProcessId();
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry;
    int count = 0;
    if (query == NULL || snapshot == INVALID_HANDLE_VALUE) return -1;
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != self) continue;
        const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ThreadID);
        const char* start = NULL;
        if (thread != NULL && query(thread, startAddress, &start, sizeof start, NULL) == 0 && start >= base &&
            start < base + size && ++count == 1 && first != NULL) {
            *first = thread;
            continue;
        }
        if (thread != NULL) CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return count;
}

static void setDcd(const char* control, int level) {
    FILE* file = fopen(control, "w");
    if (file == NULL) {
        check(0, "the DCD line's control file opens", 0);
        return;
    }
    fputc(level ? '1' : '0', file);
    fclose(file);
}

/* The thread that times DCD's changes: started by OPENCOM, each change in
 * order with its level and a time on the TIMEREADUS clock, ended by
 * CLOSECOM. */
static void checkEdges(const char* name, const char* control) {
    const HMODULE library = GetModuleHandleA("port.dll");
    char mode[32];
    printf("timed edges on %s\n", name);
    snprintf(mode, sizeof mode, "%s:", name);
    setDcd(control, 1);
    int32_t result = OPENCOM(mode);
    check(result == name[3] - '0', "OPENCOM of the mapped port gives its number", result);
    result = EDGES();
    check(result == PORT_EDGES_WATCHER, "EDGES of a port that reports carrier-detect changes gives 2", result);
    result = threadsStartedIn(library, NULL);
    check(result == 1, "OPENCOM starts one thread of the library", result);

    TIMEINITUS();
    for (int i = 0; i < 4; ++i) {
        const int level = i % 2;
        const int32_t before = TIMEREADUS();
        setDcd(control, level);
        result = EDGEWAIT(2000);
        check(result == 1, "a change of DCD ends EDGEWAIT", result);
        int32_t time = 0;
        result = EDGEREAD(&time);
        check(result == level, "EDGEREAD gives DCD's new level", result);
        check(time - before >= 0 && time - before < 500000,
              "the change is timed on the TIMEREADUS clock, after it was made (us)", (long)(time - before));
        result = DCD();
        check(result == level, "DCD reads the new level", result);
        Sleep(20);
    }
    int32_t time = 0;
    result = EDGEREAD(&time);
    check(result == PORT_EDGE_NONE_WAITING, "every change was taken", result);

    result = CLOSECOM();
    check(result != 0, "CLOSECOM of the watched port gives nonzero", result);
    result = EDGES();
    check(result == PORT_EDGES_NONE, "no port, no edges", result);
    result = threadsStartedIn(library, NULL);
    check(result == 0, "CLOSECOM ends the library's thread", result);
}

/* A hung unload would hang the test: the process ends itself instead
 * (TerminateProcess needs no loader lock; the thread must be running before
 * the unload takes that lock, which a starting thread needs). */
static DWORD WINAPI endIfHung(void* running) {
    SetEvent((HANDLE)running);
    Sleep(30000);
    printf("FAIL: unloading the library with a watched port open hangs\n");
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 99);
    return 0;
}

/* Unloading the library while its thread watches an open port: the thread
 * ends, the port is closed. A second copy of port.dll is loaded and freed,
 * since the one linked through the import library stays for the process. */
static void checkUnload(const char* name, const char* control) {
    typedef int32_t(WINAPI * OpenFn)(const char*);
    typedef int32_t(WINAPI * IntFn)(void);
    char original[MAX_PATH];
    char copy[MAX_PATH];
    char mode[32];
    char device[32];
    printf("unload with %s watched\n", name);
    snprintf(mode, sizeof mode, "%s:", name);
    snprintf(device, sizeof device, "\\\\.\\%s", name);
    setDcd(control, 1);
    GetModuleFileNameA(GetModuleHandleA("port.dll"), original, sizeof original);
    GetTempPathA(sizeof copy, copy);
    strncat(copy, "port_unload_check.dll", sizeof copy - strlen(copy) - 1);
    if (!CopyFileA(original, copy, FALSE)) {
        check(0, "a copy of port.dll can be made", (long)GetLastError());
        return;
    }
    const HMODULE second = LoadLibraryA(copy);
    check(second != NULL, "the copy of port.dll loads", (long)GetLastError());
    if (second != NULL) {
        OpenFn open = NULL;
        IntFn edges = NULL;
        BIND(OpenFn, second, "OPENCOM", open);
        BIND(IntFn, second, "EDGES", edges);
        int32_t result = open(mode);
        check(result == name[3] - '0', "OPENCOM through the copy gives the port's number", result);
        result = edges();
        check(result == PORT_EDGES_WATCHER, "the copy watches DCD", result);
        HANDLE watcher = NULL;
        result = threadsStartedIn(second, &watcher);
        check(result == 1, "the copy's OPENCOM starts its thread", result);
        const HANDLE running = CreateEventW(NULL, TRUE, FALSE, NULL);
        CloseHandle(CreateThread(NULL, 0, endIfHung, running, 0, NULL));
        WaitForSingleObject(running, INFINITE);
        CloseHandle(running);
        check(FreeLibrary(second) != 0, "the copy unloads", (long)GetLastError());
        if (watcher != NULL) {
            result = WaitForSingleObject(watcher, 0);
            check(result == WAIT_OBJECT_0, "unloading ended the copy's thread", result);
            CloseHandle(watcher);
        }
        const HANDLE port = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        check(port != INVALID_HANDLE_VALUE, "unloading closed the port: it opens again", (long)GetLastError());
        if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
    }
    DeleteFileA(copy);
}

int main(int argc, char** argv) {
    if (argc > 3 && strcmp(argv[3], "edges") == 0) checkEdges(argv[1], argv[2]);
    else if (argc > 3 && strcmp(argv[3], "unload") == 0) checkUnload(argv[1], argv[2]);
    else {
        checkWithoutAPort();
        if (argc > 1) checkSerial(argv[1]);
    }
    printf("%d failed\n", failures);
    return failures;
}
