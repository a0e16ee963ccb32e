// Binding the port library by name: the real libport.so of this build, a
// library that lacks a function, and no library at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/bound_port.h"
#include "app/runtime_error.h"

namespace rumblet {
namespace {

std::string errorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const RuntimeError& e) {
        return e.what();
    }
    return "";
}

TEST(BoundPort, BindsTheRealLibraryByName) {
    BoundPortLibrary port(PORT_LIBRARY);
    EXPECT_EQ(port.CLOSECOM(), 0) << "nothing is open";
    // Everything but OPENCOM, which could open a real serial port here.
    port.TIMEINIT();
    port.TIMEINITUS();
    port.TIMEREAD();
    port.TIMEREADUS();
    port.DELAY(0);
    port.DELAYUS(0);
    port.REALTIME(0);
    port.DCD();
    port.CTS();
    port.DSR();
    port.RI();
    port.READBYTE();
    port.SENDBYTE(0);
    port.RTS(0);
    port.DTR(0);
    port.TXD(0);
    int32_t time = 0;
    EXPECT_EQ(port.EDGES(), 0) << "no port open, no edges";
    EXPECT_EQ(port.EDGEREAD(&time), -4);
    EXPECT_EQ(port.EDGEWAIT(1000), -1) << "returns at once";
    EXPECT_NE(loadDynamicLibrary(PORT_LIBRARY)->find("OPENCOM"), nullptr);
}

TEST(BoundPort, MissingFunctionIsNamedAndTheOthersStillWork) {
    BoundPortLibrary port(PORT_WITHOUT_REALTIME);
    EXPECT_EQ(port.DCD(), 1);
    const std::string message = errorOf([&] { port.REALTIME(0); });
    EXPECT_NE(message.find("REALTIME"), std::string::npos) << message;
    EXPECT_NE(message.find(PORT_WITHOUT_REALTIME), std::string::npos) << message;
    EXPECT_EQ(port.CLOSECOM(), 0);
    EXPECT_EQ(port.EDGES(), 0) << "an older library without the edge functions just has no edges";
    EXPECT_EQ(port.EDGEWAIT(5), -1);
}

TEST(BoundPort, MissingLibraryIsReportedAtTheFirstCallNotBefore) {
    int loads = 0;
    BoundPortLibrary port("/nonexistent/libport.so", [&](const std::string& path) {
        ++loads;
        return loadDynamicLibrary(path);
    });
    EXPECT_EQ(loads, 0);
    const std::string message = errorOf([&] { port.DCD(); });
    EXPECT_EQ(loads, 1);
    EXPECT_NE(message.find("/nonexistent/libport.so"), std::string::npos) << message;
}

TEST(BoundPort, LibraryIsLoadedOnceAndEachFunctionLookedUpOnce) {
    struct CountingLibrary : DynamicLibrary {
        std::unique_ptr<DynamicLibrary> real = loadDynamicLibrary(PORT_LIBRARY);
        std::map<std::string, int>* lookups = nullptr;
        void* find(const char* name) override {
            ++(*lookups)[name];
            return real->find(name);
        }
    };
    int loads = 0;
    std::map<std::string, int> lookups;
    BoundPortLibrary port(PORT_LIBRARY, [&](const std::string&) {
        ++loads;
        auto lib = std::make_unique<CountingLibrary>();
        lib->lookups = &lookups;
        return lib;
    });
    for (int i = 0; i < 3; ++i) {
        port.DCD();
        port.TIMEREADUS();
    }
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(lookups, (std::map<std::string, int>{{"DCD", 1}, {"TIMEREADUS", 1}}));
}

TEST(BoundPort, LibraryIsLookedForInTheProgramsOwnFolderThenByItsSoname) {
    EXPECT_TRUE(std::filesystem::exists(programFolder() + "/app_unit_tests"));
    const std::string beside = programFolder() + "/libport.so";
    ASSERT_FALSE(std::filesystem::exists(beside));
    EXPECT_EQ(portLibraryPath(), "libport.so.1");  // installed: the loader's path
    std::ofstream(beside).put('\0');
    EXPECT_EQ(portLibraryPath(), beside);
    std::filesystem::remove(beside);
}

}  // namespace
}  // namespace rumblet
