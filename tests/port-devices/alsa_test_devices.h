// ALSA devices for the tests, no sound card needed: a configuration of
// file plugins over the null device in a fresh temporary folder. It must be
// in place before the first ALSA call of the test program.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace port::testing {

class AlsaTestDevices {
public:
    // "played" records what is played into played.raw, "recorded" plays
    // back recorded.raw as captured sound, "fifo" writes into a named pipe,
    // and "default" does both with default.raw and default.in.
    static AlsaTestDevices& install() {
        static AlsaTestDevices devices;
        return devices;
    }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    std::vector<unsigned char> read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    void write(const std::string& name, const std::vector<unsigned char>& bytes) const {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    bool exists(const std::string& name) const {
        struct stat st;
        return ::stat(path(name).c_str(), &st) == 0;
    }

private:
    AlsaTestDevices() {
        char pattern[] = "/tmp/port-alsa-XXXXXX";
        dir_ = ::mkdtemp(pattern);
        const std::string fileDevice = "type file slave.pcm { type null } format \"raw\" ";
        std::ofstream(path("asound.conf"))
            << "pcm.!default { " << fileDevice << "file \"" << path("default.raw") << "\" infile \""
            << path("default.in") << "\" }\n"
            << "pcm.played { " << fileDevice << "file \"" << path("played.raw") << "\" }\n"
            << "pcm.recorded { " << fileDevice << "file \"/dev/null\" infile \"" << path("recorded.raw")
            << "\" }\n"
            << "pcm.fifo { " << fileDevice << "file \"" << path("fifo") << "\" }\n";
        ::mkfifo(path("fifo").c_str(), 0600);
        // A capture device opens only when its input file is there.
        write("default.in", {});
        write("recorded.raw", {});
        ::setenv("ALSA_CONFIG_PATH", path("asound.conf").c_str(), 1);
    }

    ~AlsaTestDevices() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string dir_;
};

}  // namespace port::testing
