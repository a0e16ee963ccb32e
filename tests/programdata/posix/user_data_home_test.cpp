// Where Linux keeps the player's own data: the XDG rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "programdata/file_system.h"
#include "tests/programdata/support/file_situations.h"

namespace rumblet {
namespace {

TEST(UserDataHome, IsAnAbsoluteXdgDataHomeOrTheHomesLocalShare) {
    struct Case {
        const char* what;
        const char* xdg;  // nullptr: unset
        const char* home;
        const char* result;
    };
    const char* oldHome = getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    for (const Case c : {
             Case{"XDG_DATA_HOME unset", nullptr, "/home/p", "/home/p/.local/share"},
             Case{"XDG_DATA_HOME set", "/data", "/home/p", "/data"},
             Case{"a relative XDG_DATA_HOME is ignored", "data", "/home/p", "/home/p/.local/share"},
             Case{"an empty one too", "", "/home/p", "/home/p/.local/share"},
             Case{"home is the root", nullptr, "/", "/.local/share"},
             Case{"no home at all", nullptr, "", ""},
             Case{"a relative home", nullptr, "p", ""},
         }) {
        std::optional<testing::UserDataHomeAt> xdg;
        if (c.xdg) xdg.emplace(c.xdg);
        setenv("HOME", c.home, 1);
        EXPECT_EQ(file_system::userDataHome(), c.result) << c.what;
    }
    setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace rumblet
