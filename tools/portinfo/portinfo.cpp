// portinfo: what the IR receiver can expect of this machine. Prints the
// stopwatch figures that decide whether a 750 µs gap can be told from a
// 751 µs one, whether this user may raise the capture to real-time priority,
// and where COM1 and COM2 lead and whether this user may use those devices.
// It opens no serial port: a device is judged by its file alone.
//
//   portinfo
//   portinfo --help | --version
#include <grp.h>
#include <pwd.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "ir_devices.h"
#include "port.h"
#include "serial_names.h"
#include "virtual_receiver_address.h"

namespace {

constexpr const char* USAGE =
    "usage: portinfo\n"
    "       portinfo --help | --version\n"
    "Shows the stopwatch figures, the right to real-time priority, where COM1 and\n"
    "COM2 lead and which IR receivers there are; opens no serial port.\n";

// Smallest nonzero step between two successive TIMEREADUS results.
int32_t microsecondStep() {
    TIMEINITUS();
    int32_t smallest = INT32_MAX;
    int32_t last = TIMEREADUS();
    for (int i = 0; i < 2000000 && smallest > 1; ++i) {
        const int32_t now = TIMEREADUS();
        if (now != last) smallest = std::min(smallest, now - last);
        last = now;
    }
    return smallest;
}

// Mean cost of one TIMEREADUS call in nanoseconds.
double timeReadCost() {
    constexpr int reads = 1000000;
    TIMEINITUS();
    const auto start = std::chrono::steady_clock::now();
    volatile int32_t sink = 0;
    for (int i = 0; i < reads; ++i) sink = TIMEREADUS();
    (void)sink;
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / reads;
}

// How far past its end DELAYUS(us) returns: min, median, max over runs.
std::vector<int32_t> delayOvershoot(int32_t us, int runs) {
    std::vector<int32_t> over;
    for (int i = 0; i < runs; ++i) {
        DELAYUS(us);
        over.push_back(TIMEREADUS() - us);
    }
    std::sort(over.begin(), over.end());
    return over;
}

std::string limitText(rlim_t limit) { return limit == RLIM_INFINITY ? "unlimited" : std::to_string(limit); }

// Whether the effective capability set holds CAP_SYS_NICE (bit 23), from
// /proc/self/status; false when that cannot be read.
bool hasSysNice() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("CapEff:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> 23) & 1;
    return false;
}

// REALTIME(1) quietly does nothing without the right to real-time
// priority; the capture then runs at normal priority and the scheduler may
// cut into a frame. Tries it once (and back) and says how to allow it.
void reportRealTime() {
    rlimit limit{};
    getrlimit(RLIMIT_RTPRIO, &limit);
    const bool nice = hasSysNice();
    REALTIME(1);
    const bool taken = sched_getscheduler(0) == SCHED_FIFO;
    REALTIME(0);
    std::printf("\nReal-time priority (REALTIME, for the capture of each IR frame)\n");
    std::printf("  rtprio limit: %s (hard %s); CAP_SYS_NICE: %s\n", limitText(limit.rlim_cur).c_str(),
                limitText(limit.rlim_max).c_str(), nice ? "yes" : "no");
    if (taken) {
        std::printf("  REALTIME(1) takes effect for this user\n");
        return;
    }
    std::printf("  REALTIME(1) has no effect for this user: frames are captured at normal priority.\n"
                "  To allow it, raise the rtprio limit, e.g. a line \"@audio - rtprio 20\" in\n"
                "  /etc/security/limits.d/rumblet.conf with the user in group audio (log in again),\n"
                "  or give the program CAP_SYS_NICE (setcap cap_sys_nice+ep on the rumblet binary).\n");
    if (limit.rlim_cur >= 1 || nice)
        std::printf("  (the limits allow it, so the system refuses it otherwise, e.g. a control group\n"
                    "  without real-time time)\n");
}

bool inGroup(gid_t group) {
    if (getegid() == group) return true;
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
    groups.resize(static_cast<std::size_t>(std::max(getgroups(static_cast<int>(groups.size()), groups.data()), 0)));
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

std::string groupName(gid_t group) {
    const struct group* entry = getgrgid(group);
    return entry != nullptr ? entry->gr_name : std::to_string(group);
}

// A device file judged without opening it: present, a character device,
// readable and writable for this user, and if not, which group would help.
std::string describeDevice(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return path + " (no such device)";
    if (!S_ISCHR(info.st_mode)) return path + " (not a character device: no serial port)";
    if (access(path.c_str(), R_OK | W_OK) == 0) return path + " (present, readable and writable for this user)";
    std::string text = path + " (present, but not readable and writable for this user: group " +
                       groupName(info.st_gid) + ", mode " + std::to_string((info.st_mode >> 6) & 7) +
                       std::to_string((info.st_mode >> 3) & 7) + std::to_string(info.st_mode & 7);
    if ((info.st_mode & S_IRGRP) != 0 && (info.st_mode & S_IWGRP) != 0 && !inGroup(info.st_gid)) {
        const passwd* user = getpwuid(getuid());
        text += "; join that group: sudo usermod -aG " + groupName(info.st_gid) + " " +
                (user != nullptr ? user->pw_name : "$USER") + ", then log in again";
    }
    return text + ")";
}

// The virtual receiver's socket is made when the port opens; its folder
// must exist and take new files.
std::string describeVirtualReceiver(const std::string& path) {
    using port::virtual_receiver::ReceiverAddress;
    std::string problem;
    const auto address = port::virtual_receiver::parseReceiverAddress(path, problem);
    if (address && address->kind == ReceiverAddress::Kind::udp)
        return "virtual IR receiver listening on " + address->text() + " (when the port opens)";
    const std::string folder = path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/') + 1);
    const bool usable = access(folder.c_str(), W_OK | X_OK) == 0;
    return "virtual IR receiver on the socket " + path +
           (usable ? " (made when the port opens)" : " (its folder " + folder + " is missing or not writable)");
}

std::string describe(const port::SerialTarget& target) {
    using Backend = port::SerialTarget::Backend;
    switch (target.backend) {
        case Backend::tty: return describeDevice(target.path);
        case Backend::virtualReceiver: return describeVirtualReceiver(target.path);
        case Backend::lirc: return describeDevice(target.path);
        case Backend::none: return "nothing: " + target.problem;
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    if (const auto answer = rumblet::helpOrVersion({argv + 1, argv + argc}, "portinfo", USAGE)) {
        std::cout << *answer;
        return 0;
    }
    if (argc > 1) {
        std::cerr << "portinfo: unknown argument \"" << argv[1] << "\"\n" << USAGE;
        return 2;
    }
    std::printf("port self-check (no serial port is opened)\n\nStopwatches\n");
    std::printf("  TIMEREADUS smallest step:     %d us\n", microsecondStep());
    std::printf("  TIMEREADUS cost:              %.1f ns per call\n", timeReadCost());
    const std::vector<int32_t> over = delayOvershoot(1000, 50);
    std::printf("  DELAYUS(1000) overshoot:      min %d, median %d, max %d us (50 runs)\n", over.front(),
                over[over.size() / 2], over.back());
    TIMEINIT();
    DELAY(20);
    std::printf("  TIMEINIT, DELAY(20), TIMEREAD: %d ms\n", TIMEREAD());
    if (const int32_t fault = PORTERROR(); fault != PORT_ERROR_NONE)
        std::printf("  a timing call stopped with error %d\n", fault);

    reportRealTime();

    std::printf("\nSerial ports (judged by their device files, not opened)\n");
    for (const char* name : {"COM1", "COM2"}) {
        const port::SerialTarget target = port::serialTargetFor(name);
        std::printf("  %s -> %s  [%s]\n", name, describe(target).c_str(), target.origin.c_str());
        std::printf("         %s\n", portinfo::edgeSourceNote(int(target.backend)).c_str());
    }
    const std::string config = port::serialConfigPath();
    struct stat info {};
    std::printf("  mapping: PORT_COMn variables, then %s%s\n", config.empty() ? "(no configuration file: HOME unset)" : config.c_str(),
                !config.empty() && stat(config.c_str(), &info) != 0 ? " (absent)" : "");

    std::printf("\nIR receivers (map one as COMn = lirc:/dev/lircN)\n");
    const auto receivers = portinfo::findIrReceivers();
    if (receivers.empty()) std::printf("  none found\n");
    for (const auto& r : receivers)
        std::printf("  %s  %s%s\n", r.device.empty() ? "(no lirc device)" : r.device.c_str(), r.rc.c_str(),
                    r.driver.empty() ? "" : (" driver " + r.driver).c_str());
    return 0;
}
