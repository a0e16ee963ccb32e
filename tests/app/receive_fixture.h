// A main window wired to the virtual line, the fake window system and the
// sound recorder, as the receive-path tests need it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include "app/mainform.h"
#include "fake_window.h"
#include "frame_text.h"
#include "sound_recorder.h"
#include "virtual_port.h"

namespace rumblet::testing {

class MainFormTest : public ::testing::Test {
protected:
    // The frame goes on the line and one receive step handles it.
    void receive(const irframe::IrFrame& frame) {
        line.send(irframe::pulseTrain(frame, 5000));
        form.IR();
    }
    // The entries of the log that start with one of the prefixes, in order.
    std::vector<std::string> logOf(std::initializer_list<std::string> prefixes) const {
        std::vector<std::string> out;
        for (const auto& event : log) {
            if (std::any_of(prefixes.begin(), prefixes.end(),
                            [&](const std::string& p) { return event.rfind(p, 0) == 0; })) {
                out.push_back(event);
            }
        }
        return out;
    }

    ProgramData data;
    EventLog log;
    VirtualPort line{&log};
    FakeWindow window{line, &log};
    SoundRecorder sounds{log};
    MainForm form{data, line, sounds, window};
};

}  // namespace rumblet::testing
