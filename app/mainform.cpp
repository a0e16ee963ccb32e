#include "app/mainform.h"

#include "app/runtime_error.h"
#include "programdata/replace_file.h"
#include "sound/sound_device.h"

namespace rumblet {

namespace {

constexpr int32_t ROW_STEP = 360;  // twips between the rows of two controllers

std::string indexed(const char* name, int n) {
    return std::string(name) + "(" + std::to_string(n) + ")";
}

// The message of the standard run-time error.
std::string runtimeErrorText(const std::exception& e) {
    if (auto* sound = dynamic_cast<const SoundError*>(&e)) {
        return "Sound error " + std::to_string(sound->code()) + ": " + sound->what();
    }
    return e.what();
}

}  // namespace

MainForm::MainForm(ProgramData& data, PortFunctions& port, SoundActions& sounds,
                   WindowServices& window)
    : data_(data), port_(port), sounds_(sounds), window_(window) {
    Frame1.caption = "Modell      Modus          Controller";
    Frame2.caption = "L    Speed   R";
    Frame3.caption = "Diagnose";
    Frame4.caption = "Sound";
    Check1.caption = "COM1";
    Check2.caption = "COM2";
    Check3.value = true;  // checked before any handler is attached: no click
    Check4.caption = "Background";
    Command2.caption = "OFF";
    Command3.caption = "Soundedit";
    Command4.caption = "ON";
    for (int n = 0; n < CONTROLLER_COUNT; ++n) {
        Text1[n].text = "Text1";
        Text2[n].text = "Text2";
        Text3[n].text = "Text3";
        Text4[n].text = "Text4";
        Text6[n].text = "Text6";
        Text7[n].text = "Text7";
    }
    Text5_1.text = " 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7";
    Timer2.interval = 500;

    Check1.onClick = [this] { Check1_Click(); };
    Check2.onClick = [this] { Check2_Click(); };
    Check3.onClick = [this] { Check3_Click(); };
    Check4.onClick = [this] { Check4_Click(); };
    Timer2.onTimer = [this] { Timer2_Timer(); };
}

std::vector<PlacedControl> MainForm::layout() {
    using K = ControlKind;
    std::vector<PlacedControl> out = {
        {"Frame4", "", K::Frame, {0, 0, 1575, 2295}, &Frame4, {}},
        {"Check4", "Frame4", K::CheckBox, {240, 240, 1215, 255}, &Check4, {}},
        {"Command4", "Frame4", K::Button, {240, 600, 1215, 375}, &Command4, [this] { Command4_Click(); }},
        {"Command2", "Frame4", K::Button, {240, 1080, 1215, 375}, &Command2, [this] { Command2_Click(); }},
        {"Command3", "Frame4", K::Button, {240, 1680, 1215, 495}, &Command3, [this] { Command3_Click(); }},
        {"Frame1", "", K::Frame, {1800, 360, 2895, 1695}, &Frame1, {}},
        {"Frame2", "", K::Frame, {4680, 360, 1335, 1695}, &Frame2, {}},
        {"Frame5", "", K::Frame, {1800, 2160, 1935, 375}, &Frame5, {}},
        {"Check1", "Frame5", K::CheckBox, {120, 120, 855, 195}, &Check1, {}},
        {"Check2", "Frame5", K::CheckBox, {960, 120, 855, 195}, &Check2, {}},
        {"Frame3", "", K::Frame, {6000, 0, 3135, 2055}, &Frame3, {}},
        {"Check3", "Frame3", K::CheckBox, {840, 0, 255, 255}, &Check3, {}},
        {"Text5(1)", "Frame3", K::TextBox, {120, 240, 2895, 285}, &Text5_1, {}},
    };
    for (int n = 0; n < CONTROLLER_COUNT; ++n) {
        const int32_t row = ROW_STEP * n;
        out.push_back({indexed("Text2", n), "Frame1", K::TextBox, {120, 240 + row, 495, 285}, &Text2[n], {}});
        out.push_back({indexed("Text3", n), "Frame1", K::TextBox, {840, 240 + row, 855, 285}, &Text3[n], {}});
        out.push_back({indexed("Text4", n), "Frame1", K::TextBox, {1800, 240 + row, 975, 285}, &Text4[n], {}});
        out.push_back({indexed("Text6", n), "Frame2", K::TextBox, {120, 240 + row, 495, 285}, &Text6[n], {}});
        out.push_back({indexed("Text7", n), "Frame2", K::TextBox, {720, 240 + row, 495, 285}, &Text7[n], {}});
        out.push_back({indexed("Text1", n), "Frame3", K::TextBox, {120, 600 + row, 2895, 285}, &Text1[n], {}});
    }
    return out;
}

// Every handler runs its body here: a failing operation that no procedure
// handles shows its message and ends the program, as the window system's
// standard run-time error does.
void MainForm::guarded(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        window_.messageBox(runtimeErrorText(e));
        endNow(true);
    }
}

void MainForm::endNow(bool afterError) {
    if (afterError) {
        window_.endProgramAfterError();
    } else {
        window_.endProgram();
    }
    throw ProgramEnded{};  // only reached when a test's fake lets endProgram return
}

void MainForm::Form_Load() {
    guarded([this] {
        for (auto& c : data_.controllers) {
            c.enginesound.file = EMPTY_SOUND;
            c.shotsound.file = EMPTY_SOUND;
            c.turretsound.file = EMPTY_SOUND;
        }
        for (int n = 0; n < CONTROLLER_COUNT; ++n) {
            for (auto* row : {&Text1, &Text2, &Text3, &Text4, &Text6, &Text7}) (*row)[n].setText("");
        }
        data_.atmosound.file = EMPTY_SOUND;
        diagnose = 1;
        Command2.setEnabled(false);

        try {
            sounds_.soundinit();
        } catch (const SoundInitFailed& e) {
            window_.messageBox(e.what());
            endNow();
        }
        window_.showMainWindow();

        const std::vector<std::string> readProblems = sounds_.initladen(comport);
        settingsRead_ = true;
        for (const auto& problem : readProblems) window_.messageBox(problem);
        for (const auto& problem : sounds_.soundladen()) window_.messageBox(problem);
        for (const auto& problem : sounds_.posladen()) window_.messageBox(problem);
        if (comport == 1) {
            com1();
        } else if (comport == 2) {
            com2();
        }
    });
}

void MainForm::Form_Unload() {
    guarded([this] { ende(); });
}

// The port is closed first, then the settings are written, then positions
// that the editor could not save are tried once more; no failure may keep
// the next step from happening, and a failed save is never silent: one
// message names every file that kept its old contents.
void MainForm::ende() {
    try {
        replayed_.forget();
        port_.CLOSECOM();
    } catch (const RuntimeError& e) {
        window_.messageBox(e.what());
    }
    std::vector<std::string> notSaved;
    try {
        if (settingsRead_) sounds_.initsave(comport);
    } catch (const std::exception& e) {
        notSaved.push_back(e.what());
    }
    try {
        if (data_.positionsUnsaved) sounds_.possave();
    } catch (const std::exception& e) {
        notSaved.push_back(e.what());
    }
    // A file of a read-only folder is named once in the run: its later
    // refusals have nothing more to say.
    if (const std::string text = eachLineOnce(notSaved); !text.empty()) window_.messageBox(text);
    sounds_.releaseSound();
    endNow();
}

void MainForm::Command4_Click() {
    guarded([this] {
        if (!Command4.enabled) return;  // a second capture must never start
        if (comport == 0 || !portOpen_) {
            window_.messageBox(SELECT_PORT_TEXT);
            return;
        }
        // The capture starts from the line's present moment: nothing the
        // port recorded while the loop was stopped is replayed.
        replayed_.forget();
        running = 1;
        Command2.setEnabled(true);
        Command4.setEnabled(false);
        Command4.setCaption("Sound run");
        if (Check4.value) sounds_.atmoplay();
        while (running == 1) {
            window_.yield();
            IR();
        }
        soundstop();
        Command4.setCaption("Start");
        Command4.setEnabled(true);
        Command2.setEnabled(false);
    });
}

void MainForm::Command2_Click() {
    guarded([this] {
        if (!Command2.enabled) return;
        running = 0;
        soundstop();
    });
}

// The editor enables Timer2 again when it closes.
void MainForm::Command3_Click() {
    guarded([this] {
        if (!Command3.enabled) return;
        Timer2.setEnabled(false);
        soundstop();
        window_.showSoundEditorModal();
    });
}

void MainForm::Check3_Click() {
    guarded([this] { diagnose = Check3.value ? 1 : 0; });
}

void MainForm::Check4_Click() {
    guarded([this] {
        if (Check4.value && running == 1) {
            sounds_.atmoplay();
        } else {
            sounds_.atmostop();
        }
    });
}

void MainForm::soundstop() { sounds_.soundstop(); }

void MainForm::restartMillisecondStopwatch() {
    port_.TIMEINIT();
    replayed_.TIMEINIT();
}

}  // namespace rumblet
