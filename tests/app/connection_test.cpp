// The receiver's serial connection: COM1/COM2, RTS on, DTR off, the two
// boxes and `comport` in step.
#include <gtest/gtest.h>

#include "receive_fixture.h"

namespace rumblet::testing {
namespace {

class ConnectionTest : public MainFormTest {
protected:
    std::vector<std::string> portCalls() const { return logOf({"OPENCOM", "CLOSECOM", "RTS", "DTR"}); }
};

TEST_F(ConnectionTest, SavedCom1OpensAtStartUpWithTheNestedSecondOpening) {
    sounds.savedPort = 1;
    form.Form_Load();
    EXPECT_TRUE(form.Check1.value);
    EXPECT_FALSE(form.Check2.value);
    EXPECT_EQ(form.comport, 1);
    EXPECT_EQ(line.openPort, 1);
    EXPECT_EQ(line.rts, 1);
    EXPECT_EQ(line.dtr, 0);
    // Checking Check1 from the program raises its click, which opens the
    // port once more and finds the box already checked.
    EXPECT_EQ(portCalls(), (std::vector<std::string>{"OPENCOM COM1:", "RTS 1", "DTR 0",
                                                     "OPENCOM COM1:", "RTS 1", "DTR 0"}));
}

TEST_F(ConnectionTest, ClickingCom2WhileCom1IsOpenMovesToCom2) {
    form.com1();
    log.clear();
    form.Check2.click();
    EXPECT_FALSE(form.Check1.value);
    EXPECT_TRUE(form.Check2.value);
    EXPECT_EQ(form.comport, 2);
    EXPECT_EQ(line.openPort, 2);
    EXPECT_EQ(portCalls(), (std::vector<std::string>{"OPENCOM COM2:", "RTS 1", "DTR 0"}));
}

TEST_F(ConnectionTest, MissingPortGivesOneMessageAndAClearBox) {
    line.presentPorts = {"COM2:"};
    form.Check1.click();
    EXPECT_EQ(window.messages, std::vector<std::string>{"com1: not available"});
    EXPECT_FALSE(form.Check1.value);
    EXPECT_EQ(form.comport, 0);
    EXPECT_FALSE(form.portOpen());
}

TEST_F(ConnectionTest, ClearingACheckedBoxKeepsThePortOpen) {
    form.com2();
    log.clear();
    form.Check2.click();
    EXPECT_FALSE(form.Check2.value);
    EXPECT_EQ(form.comport, 2);
    EXPECT_TRUE(portCalls().empty()) << "nothing is closed or reopened";
    EXPECT_TRUE(form.portOpen());

    window.onYield = [&] { form.running = 0; };
    line.send(irframe::pulseTrain(irframe::ordinaryFrame(0, {1, 1}), 1000));
    form.Command4_Click();
    EXPECT_TRUE(window.messages.empty()) << "the receive loop still starts";
    EXPECT_EQ(data.controllers[0].speed1, 1);
}

// The library closes the open port before it tries another; after a failed
// opening no port is open, so no box stays checked and ON asks for a port,
// while `comport` keeps the choice saved for the next start.
TEST_F(ConnectionTest, FailedOpeningLeavesNoPortOpenAndOnAsksForOne) {
    form.com2();
    line.presentPorts = {"COM2:"};
    form.Check1.click();
    EXPECT_EQ(line.openPort, 0);
    EXPECT_FALSE(form.Check1.value);
    EXPECT_FALSE(form.Check2.value);
    EXPECT_EQ(form.comport, 2);

    window.messages.clear();
    form.Command4_Click();
    EXPECT_EQ(window.messages, std::vector<std::string>{"Select COM1 or COM2"});
    EXPECT_EQ(form.running, 0);
}

TEST_F(ConnectionTest, SavedPortMissingAtStartUpGivesItsMessageOnceAndStartUpGoesOn) {
    sounds.savedPort = 2;
    line.presentPorts = {};
    form.Form_Load();
    EXPECT_EQ(window.messages, std::vector<std::string>{"com2: not available"});
    EXPECT_FALSE(form.Check2.value);
    EXPECT_FALSE(window.ended);
}

TEST_F(ConnectionTest, SavedValueOtherThanOneOrTwoOpensNothing) {
    sounds.savedPort = 3;
    form.Form_Load();
    EXPECT_TRUE(portCalls().empty());
    form.Command4_Click();
    EXPECT_EQ(window.messages, std::vector<std::string>{"Select COM1 or COM2"});
}

}  // namespace
}  // namespace rumblet::testing
