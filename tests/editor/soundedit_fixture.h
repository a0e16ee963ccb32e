// A program folder with a sound folder in a temporary directory, the
// program-wide data on the recording sound device, and a sound editor whose
// main window, message boxes, sleep and stopwatch are recording fakes. All
// of them write into the sound log, so the order of everything shows.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "programdata/program_data.h"
#include "editor/soundedit.h"
#include "sound/testing/test_waves.h"
#include "tanksound/testing/recording_sound.h"

namespace rumblet::testing {

// Writes an event that is no buffer call into the sound log.
inline void note(SoundLog& log, const std::string& event) { log.calls.push_back({nullptr, "", event}); }

class RecordingOwner : public SoundeditOwner {
public:
    explicit RecordingOwner(std::shared_ptr<SoundLog> log) : log_(std::move(log)) {}
    void initsave() override {
        note(*log_, "initsave");
        if (initsaveError) throw std::runtime_error(initsaveError);
    }
    void initladen() override {
        note(*log_, "initladen");
        if (onInitladen) onInitladen();
    }
    void soundladen() override { note(*log_, "main soundladen"); }
    void posladen() override { note(*log_, "main posladen"); }
    void enableTimer2() override { note(*log_, "Timer2 enabled"); }

    const char* initsaveError = nullptr;
    std::function<void()> onInitladen;

private:
    std::shared_ptr<SoundLog> log_;
};

class RecordingSystem : public SoundeditSystem {
public:
    explicit RecordingSystem(std::shared_ptr<SoundLog> log) : log_(std::move(log)) {}
    void MsgBox(const std::string& text) override {
        messages.push_back(text);
        note(*log_, "MsgBox " + text);
    }
    void Sleep(int32_t ms) override { sleptMs += ms; }
    void TIMEINIT() override { note(*log_, "TIMEINIT"); }
    std::string decimalSeparator() const override { return separator; }

    std::vector<std::string> messages;
    int32_t sleptMs = 0;
    std::string separator = ".";

private:
    std::shared_ptr<SoundLog> log_;
};

class SoundeditFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = ::testing::TempDir() + "soundedit-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        for (const char* sub : {"dsound/Schuss", "dsound/Turm", "dsound/atmo"})
            std::filesystem::create_directories(dir / sub);
        data.programDir = dir.string();
        log->standard.bytes = 1000;
        data.directsound = std::make_unique<RecordingSoundDevice>(log);
        for (auto& c : data.controllers) {
            c.enginesound.file = c.shotsound.file = c.turretsound.file = EMPTY_SOUND;
        }
        data.atmosound.file = EMPTY_SOUND;
    }
    void TearDown() override {
        editor.reset();
        std::filesystem::remove_all(dir);
    }

    // Creates an (empty) file under the program folder; the fake device
    // does not read it.
    void addFile(const std::string& relative, const std::string& content = "") {
        std::ofstream(dir / relative, std::ios::binary) << content;
    }

    // Writes a real 16-bit wave file under the program folder, and makes
    // the fake device give it the length the file holds.
    void addWave(const std::string& relative, const std::vector<float>& samples, int channels, int rate) {
        writeWaveFile((dir / relative).string(), samples, channels, rate);
        log->sounds[baseName(relative)].bytes = static_cast<int32_t>(samples.size() * 2);
    }

    // A small sound set: engine sounds tank0.wav (the device's default
    // length) and tank2.wav (8000 bytes), shot sounds bang.wav and
    // boom.WAV, the turret sound turm.wav and the background wind.wav.
    // Controller 2 has tank2, bang and turm with segment 0 at 100..900,
    // controller 0 the engine sound tank0, and wind is the background.
    void useSoundSet() {
        for (const char* f : {"dsound/tank0.wav", "dsound/tank2.wav", "dsound/Schuss/bang.wav",
                              "dsound/Schuss/boom.WAV", "dsound/Turm/turm.wav", "dsound/atmo/wind.wav"})
            addFile(f);
        log->sounds["tank2.wav"].bytes = 8000;
        auto& c2 = data.controllers[2];
        c2.enginesound.file = "tank2.wav";
        c2.shotsound.file = "bang.wav";
        c2.turretsound.file = "turm.wav";
        c2.positions[0] = {100, 900};
        data.controllers[0].enginesound.file = "tank0.wav";
        data.atmosound.file = "wind.wav";
    }

    // Opens the editor as the main window's Soundedit button does.
    void open() {
        if (!editor) editor = std::make_unique<Soundedit>(data, owner, system);
        editor->Form_Load();
    }

    RecordingSoundBuffer* preview() const { return static_cast<RecordingSoundBuffer*>(editor->preview()); }
    std::string previewName() const { return preview() ? baseName(preview()->file()) : "none"; }

    static std::string baseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }
    // Everything in the log but the buffers' queries: "initsave",
    // "tank2.wav Stop()".
    std::vector<std::string> events() const {
        std::vector<std::string> out;
        for (const auto& c : log->calls) {
            if (c.call.rfind("Get", 0) == 0) continue;
            out.push_back(c.buffer ? baseName(c.file) + " " + c.call : c.call);
        }
        return out;
    }
    long countEvent(const std::string& event) const {
        auto all = events();
        return std::count(all.begin(), all.end(), event);
    }

    // Selects an option of a row as the user's click does.
    template <typename Row>
    void click(Row& row, std::size_t index) {
        selectOption(row, index);
    }
    // Picks a file of the list by name as the user's click does.
    void pick(const std::string& name) {
        auto& items = editor->File1.items;
        auto it = std::find(items.begin(), items.end(), name);
        ASSERT_NE(it, items.end()) << name << " is not in the file list";
        editor->File1.click(static_cast<int>(it - items.begin()));
    }

    std::filesystem::path dir;
    std::shared_ptr<SoundLog> log = std::make_shared<SoundLog>();
    ProgramData data;
    RecordingOwner owner{log};
    RecordingSystem system{log};
    std::unique_ptr<Soundedit> editor;
};

}  // namespace rumblet::testing
