#include "ir_devices.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "serial_names.h"

namespace portinfo {

namespace fs = std::filesystem;

namespace {

// A "KEY=value" line of a sysfs uevent file.
std::string ueventValue(const fs::path& file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return {};
}

}  // namespace

std::vector<IrReceiver> findIrReceivers(const std::string& sysRc, const std::string& dev) {
    std::vector<IrReceiver> found;
    std::error_code error;
    for (const auto& rc : fs::directory_iterator(sysRc, error)) {
        IrReceiver r;
        r.rc = rc.path().filename().string();
        r.driver = ueventValue(rc.path() / "uevent", "DRV_NAME");
        for (const auto& child : fs::directory_iterator(rc.path(), error))
            if (child.path().filename().string().rfind("lirc", 0) == 0)
                r.device = (fs::path(dev) / child.path().filename()).string();
        found.push_back(r);
    }
    // Device files without a receiver under /sys (another kernel's layout).
    for (const auto& entry : fs::directory_iterator(dev, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("lirc", 0) != 0) continue;
        const std::string device = entry.path().string();
        if (std::none_of(found.begin(), found.end(), [&](const IrReceiver& r) { return r.device == device; }))
            found.push_back({device, {}, {}});
    }
    std::sort(found.begin(), found.end(), [](const IrReceiver& a, const IrReceiver& b) { return a.rc + a.device < b.rc + b.device; });
    return found;
}

std::string edgeSourceNote(int backend) {
    using Backend = port::SerialTarget::Backend;
    switch (Backend(backend)) {
        case Backend::tty: return "edges timed by a thread woken on each line change, where the device has modem-line interrupts";
        case Backend::lirc: return "Linux IR receiver: edges timed by the kernel";
        case Backend::virtualReceiver: return "virtual IR receiver: exact edges";
        case Backend::none: break;
    }
    return "no port";
}

}  // namespace portinfo
