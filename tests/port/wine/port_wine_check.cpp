// Checks port.dll as a 32-bit Windows program sees it: every export at its
// ordinal, the stdcall calls of the serial and timing groups, and the
// results that need no serial hardware. Run under Wine by the Linux build's
// ctest; prints one line per failed check and exits with their count.
// (GoogleTest has no 32-bit Windows build among the Debian packages.)
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

using IntFn = int(__stdcall*)();
using IntArgFn = int(__stdcall*)(int);
using VoidFn = void(__stdcall*)();
using VoidArgFn = void(__stdcall*)(int);
using OpenFn = int(__stdcall*)(const char*);

const struct {
    int ordinal;
    const char* name;
} exportTable[] = {
    {1, "JOYSTICK"},      {2, "JOYBUTTON"},     {3, "JOYV"},        {4, "JOYU"},        {5, "JOYR"},
    {6, "JOYZ"},          {7, "JOYY"},          {8, "JOYX"},        {9, "SSOUNDOUT"},   {10, "SSOUNDIN"},
    {11, "SOUNDSETBYTES"}, {12, "SOUNDGETBYTES"}, {13, "SOUNDSETRATE"}, {14, "SOUNDGETRATE"}, {15, "SOUNDBUSY"},
    {16, "SOUNDOUT"},     {17, "SOUNDIN"},      {18, "SOUNDCAPOUT"}, {19, "SOUNDCAPIN"},  {20, "SOUNDIS"},
    {21, "REALTIME"},     {22, "DELAYUS"},      {23, "TIMEREADUS"}, {24, "TIMEINITUS"}, {25, "TIMEREAD"},
    {26, "TIMEINIT"},     {27, "DTR"},          {28, "TXD"},        {29, "RTS"},        {30, "DCD"},
    {31, "RI"},           {32, "CTS"},          {33, "DSR"},        {34, "TIMEOUT"},    {35, "SENDBYTE"},
    {36, "READBYTE"},     {37, "CLOSECOM"},     {38, "OPENCOM"},    {39, "DELAY"},      {40, "OUTPORT"},
    {41, "INPORT"},       {42, "PORTERROR"},     {43, "EDGES"},      {44, "EDGEREAD"},   {45, "EDGEWAIT"},
};

int failures = 0;

void check(bool ok, const char* what, long long got = 0) {
    if (ok) return;
    ++failures;
    std::printf("FAIL: %s (got %lld)\n", what, got);
}

HMODULE library = nullptr;

template <class Fn>
Fn bound(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

void checkExportTable() {
    for (const auto& entry : exportTable) {
        const FARPROC byName = GetProcAddress(library, entry.name);
        const FARPROC byOrdinal = GetProcAddress(library, MAKEINTRESOURCEA(entry.ordinal));
        char what[96];
        std::snprintf(what, sizeof what, "%s is exported at ordinal %d", entry.name, entry.ordinal);
        check(byName != nullptr && byName == byOrdinal, what);
    }
    check(GetProcAddress(library, MAKEINTRESOURCEA(46)) == nullptr, "nothing beyond ordinal 45");
    check(GetProcAddress(library, "OPENCOM@4") == nullptr, "no decorated names in the export table");
}

// Without a port there are no edges: EDGEREAD says so and EDGEWAIT returns at once.
void checkNoEdges() {
    using ReadFn = int(__stdcall*)(int*);
    const auto EDGES = bound<IntFn>("EDGES");
    const auto EDGEREAD = bound<ReadFn>("EDGEREAD");
    const auto EDGEWAIT = bound<IntArgFn>("EDGEWAIT");
    const auto PORTERROR = bound<IntFn>("PORTERROR");
    int time = 7;
    check(EDGES() == 0, "EDGES without edges");
    check(EDGEREAD(&time) == -4 && time == 7, "EDGEREAD without edges");
    check(EDGEWAIT(1000) == -1, "EDGEWAIT without edges returns at once");
    check(EDGEWAIT(-1) == -1 && PORTERROR() == 1, "EDGEWAIT(-1) is a range error");
}

// Spins on the performance counter, as the IR frame capture would.
void spinMicroseconds(long long us) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    do QueryPerformanceCounter(&now);
    while ((now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart < us);
}

void checkTiming() {
    const auto TIMEREADUS = bound<IntFn>("TIMEREADUS");
    const auto TIMEINITUS = bound<VoidFn>("TIMEINITUS");
    const auto DELAYUS = bound<VoidArgFn>("DELAYUS");
    const auto TIMEREAD = bound<IntFn>("TIMEREAD");
    const auto TIMEINIT = bound<VoidFn>("TIMEINIT");
    const auto DELAY = bound<VoidArgFn>("DELAY");
    const auto REALTIME = bound<VoidArgFn>("REALTIME");
    const auto PORTERROR = bound<IntFn>("PORTERROR");

    spinMicroseconds(2000);
    int us = TIMEREADUS();
    check(us == 0, "TIMEREADUS before any TIMEINITUS is 0", us);

    const DWORD clock = timeGetTime();
    int ms = TIMEREAD();
    check(ms - static_cast<int>(clock) >= 0 && ms - static_cast<int>(clock) < 1000,
          "TIMEREAD before any TIMEINIT is the millisecond clock", ms);

    TIMEINITUS();
    spinMicroseconds(2800);
    us = TIMEREADUS();
    check(us >= 2800 && us < 2800 + 500000, "TIMEINITUS, 2.8 ms, TIMEREADUS gives about 2800", us);
    spinMicroseconds(100);
    const int later = TIMEREADUS();
    check(later > us, "a later TIMEREADUS without a start gives more", later);

    DELAYUS(1000);
    us = TIMEREADUS();
    check(us >= 1000 && us < 1000 + 500000, "DELAYUS(1000) restarts the stopwatch: then about 1000", us);

    TIMEINIT();
    DELAY(40);
    ms = TIMEREAD();
    check(ms >= 40 && ms < 40 + 5000, "TIMEINIT, DELAY(40), TIMEREAD gives 40 or more", ms);

    DELAY(0);
    DELAYUS(0);
    DELAYUS(-5);
    check(PORTERROR() == 0, "DELAY(0), DELAYUS(0) and DELAYUS(-5) return without error");
    DELAY(-1);
    const int fault = PORTERROR();
    check(fault == 1, "DELAY(-1) is a range error", fault);

    SetPriorityClass(GetCurrentProcess(), BELOW_NORMAL_PRIORITY_CLASS);
    REALTIME(1);
    REALTIME(0);
    const DWORD priority = GetPriorityClass(GetCurrentProcess());
    check(priority == NORMAL_PRIORITY_CLASS, "REALTIME(1), REALTIME(0) leave the normal class", priority);
}

void checkSerialWithoutAPort() {
    const auto TIMEOUT = bound<IntArgFn>("TIMEOUT");
    const auto CLOSECOM = bound<IntFn>("CLOSECOM");
    const auto OPENCOM = bound<OpenFn>("OPENCOM");
    const auto READBYTE = bound<IntFn>("READBYTE");
    const auto SENDBYTE = bound<VoidArgFn>("SENDBYTE");
    const auto DCD = bound<IntFn>("DCD");

    int result = TIMEOUT(50);
    check(result == -1, "TIMEOUT before OPENCOM gives -1", result);
    result = CLOSECOM();
    check(result == 0, "CLOSECOM with no port open gives 0", result);
    result = OPENCOM("COM9:");
    check(result == 0, "OPENCOM of an absent port gives 0", result);
    result = READBYTE();
    check(result == -1, "READBYTE with no port gives -1", result);
    SENDBYTE(0x41);
    result = DCD();
    check(result == 0, "DCD with no port gives 0", result);
    result = OPENCOM("COM1");
    check(result == 0, "OPENCOM without a colon gives 0", result);
    result = OPENCOM(nullptr);
    check(result == 0, "OPENCOM of a null string gives 0", result);
}

}  // namespace

int main() {
    library = LoadLibraryA("port.dll");
    if (library == nullptr) {
        std::printf("FAIL: port.dll does not load (error %lu)\n", GetLastError());
        return 1;
    }
    checkExportTable();
    checkTiming();
    checkNoEdges();
    checkSerialWithoutAPort();
    FreeLibrary(library);
    std::printf("%d failed\n", failures);
    return failures;
}
