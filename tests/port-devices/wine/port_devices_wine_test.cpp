// port.dll under Wine: the sound card, joystick and I/O port exports that
// need no device and show no box. Prints each failed check; exit code 1
// when any failed.
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <cstdio>

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    if (!ok) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

HMODULE library;

// Binds an export by name, as callers do, and checks its fixed ordinal.
template <class F>
F bind(const char* name, WORD ordinal) {
    FARPROC byName = GetProcAddress(library, name);
    FARPROC byOrdinal = GetProcAddress(library, MAKEINTRESOURCEA(ordinal));
    if (!byName || byName != byOrdinal) {
        std::printf("FAILED: %s is not export %u\n", name, ordinal);
        ++failures;
    }
    return reinterpret_cast<F>(reinterpret_cast<void*>(byName));
}

using Query = int32_t(__stdcall*)();
using Setter = int32_t(__stdcall*)(int32_t);
using Transfer = void(__stdcall*)(void*, int32_t);
using Joystick = void(__stdcall*)(int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*);
using OutPort = void(__stdcall*)(int32_t, int32_t);

}  // namespace

int main() {
    library = LoadLibraryA("port.dll");
    if (!library) {
        std::printf("FAILED: port.dll does not load (error %lu)\n", GetLastError());
        return 1;
    }
    auto JOYSTICK = bind<Joystick>("JOYSTICK", 1);
    auto JOYBUTTON = bind<Query>("JOYBUTTON", 2);
    auto JOYV = bind<Query>("JOYV", 3);
    auto JOYU = bind<Query>("JOYU", 4);
    auto JOYR = bind<Query>("JOYR", 5);
    auto JOYZ = bind<Query>("JOYZ", 6);
    auto JOYY = bind<Query>("JOYY", 7);
    auto JOYX = bind<Query>("JOYX", 8);
    auto SSOUNDOUT = bind<Transfer>("SSOUNDOUT", 9);
    auto SSOUNDIN = bind<Transfer>("SSOUNDIN", 10);
    auto SOUNDSETBYTES = bind<Setter>("SOUNDSETBYTES", 11);
    auto SOUNDGETBYTES = bind<Query>("SOUNDGETBYTES", 12);
    auto SOUNDSETRATE = bind<Setter>("SOUNDSETRATE", 13);
    auto SOUNDGETRATE = bind<Query>("SOUNDGETRATE", 14);
    auto SOUNDBUSY = bind<Query>("SOUNDBUSY", 15);
    auto SOUNDOUT = bind<Transfer>("SOUNDOUT", 16);
    auto SOUNDIN = bind<Transfer>("SOUNDIN", 17);
    auto SOUNDIS = bind<Query>("SOUNDIS", 20);
    auto OUTPORT = bind<OutPort>("OUTPORT", 40);
    auto INPORT = bind<Setter>("INPORT", 41);
    auto PORTERROR = bind<Query>("PORTERROR", 42);
    if (failures) return 1;

    check(SOUNDGETRATE() == 11025, "SOUNDGETRATE after load is 11025");
    check(SOUNDGETBYTES() == 1, "SOUNDGETBYTES after load is 1");
    check(SOUNDSETRATE(8000) == 11025, "SOUNDSETRATE(8000) returns 11025");
    check(SOUNDGETRATE() == 8000, "SOUNDGETRATE then returns 8000");
    check(SOUNDSETBYTES(1) == 1, "SOUNDSETBYTES(1) returns 1");
    check(SOUNDSETBYTES(0) == 2 && SOUNDSETBYTES(2) == 2 && SOUNDSETBYTES(16) == 2,
          "SOUNDSETBYTES(0), (2) and (16) return 2");
    check(SOUNDGETBYTES() == 2, "SOUNDGETBYTES follows SOUNDSETBYTES");
    SOUNDSETRATE(-1);
    check(SOUNDGETRATE() == 0 && PORTERROR() == 1, "a negative rate reads as a range error");
    SOUNDSETRATE(11025);
    PORTERROR();

    check(SOUNDIS() == (waveInGetNumDevs() > 0 ? -1 : 0), "SOUNDIS follows the wave input devices");

    // Counts that move nothing return at once: no device, no box.
    unsigned char buffer[16] = {};
    SOUNDOUT(buffer, 0);
    SOUNDOUT(buffer, -4);
    SOUNDIN(buffer, 0);
    SSOUNDOUT(buffer, 0);
    check(SOUNDBUSY() == 0 && PORTERROR() == 0, "empty transfers leave the card idle");
    SSOUNDOUT(buffer, -1);
    check(PORTERROR() == 1, "a stereo count of 2^31 or more is a range error");
    SSOUNDIN(buffer, -1);
    check(PORTERROR() == 1 && SOUNDBUSY() == 0, "also for capture, and the card stays idle");

    JOYINFOEX info{};
    info.dwSize = sizeof info;
    info.dwFlags = JOY_RETURNALL;
    if (joyGetPosEx(JOYSTICKID1, &info) != JOYERR_NOERROR) {
        check(JOYX() == 0 && JOYY() == 0 && JOYZ() == 0 && JOYR() == 0 && JOYU() == 0 && JOYV() == 0,
              "without a joystick every axis is 0");
        check(JOYBUTTON() == 0, "without a joystick no button is down");
        int32_t v[7] = {1, 1, 1, 1, 1, 1, 1};
        JOYSTICK(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
        bool zero = true;
        for (int32_t x : v) zero = zero && x == 0;
        check(zero, "without a joystick JOYSTICK writes seven zeros");
    } else {
        std::printf("note: a joystick is attached; its values are not checked\n");
    }

    // A program may not use the I/O instructions here: the access is
    // refused and reported, and the program goes on.
    const int32_t read = INPORT(0x1234);
    const int32_t error = PORTERROR();
    check(error == 4 ? read == 0xFF : error == 0, "INPORT reads a byte or reports the refusal with 0xFF");
    std::printf("INPORT(0x1234) = 0x%02X, PORTERROR %d\n", static_cast<unsigned>(read), static_cast<int>(error));
    OUTPORT(0x80, 0);
    check(PORTERROR() == error, "OUTPORT is refused like INPORT");

    FreeLibrary(library);
    std::printf(failures ? "%d check(s) failed\n" : "all checks passed\n", failures);
    return failures ? 1 : 0;
}
