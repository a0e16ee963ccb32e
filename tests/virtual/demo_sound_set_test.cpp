// The demo sound set as the program will load it: files it can read, engine
// segments inside the engine sound, loops without a seam, the documented
// fundamental, each sound in its own band, and an IR.ini that names it all.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "programdata/program_data.h"
#include "demo_sound_set.h"
#include "sound_analysis.h"
#include "sound_set_files.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(text.substr(from, at - from));
    EXPECT_EQ(from, text.size()) << "text after the last CR LF";
    return lines;
}

class DemoSoundSet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = fs::temp_directory_path() / ("demo-set-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        demo::writeSoundSet(dir_);
        ASSERT_TRUE(demo::writeSettingsIfMissing(dir_, 1));
        engine_ = demo::readRecording((dir_ / "dsound" / demo::ENGINE_FILE).string());
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    static demo::Recording sound(const std::string& folder, const char* file) {
        return demo::readRecording((dir_ / "dsound" / folder / file).string());
    }
    static std::span<const float> engineSamples(int32_t from, int32_t count) {
        return std::span<const float>(engine_.samples).subspan(size_t(from), size_t(count));
    }

    static fs::path dir_;
    static demo::Recording engine_;
};
fs::path DemoSoundSet::dir_;
demo::Recording DemoSoundSet::engine_;

TEST_F(DemoSoundSet, EveryFileIsSixteenBitMonoWaveAtTheSetsRate) {
    const struct {
        const char* folder;
        const char* file;
        int32_t frames;
    } files[] = {
        {"", demo::ENGINE_FILE, demo::ENGINE_SAMPLES},
        {"Schuss", demo::SHOT_FILE, demo::SHOT_SAMPLES},
        {"Turm", demo::TURRET_FILE, demo::TURRET_LOOP_SAMPLES},
        {"atmo", demo::BACKGROUND_FILE, demo::RAIN_LOOP_SAMPLES},
    };
    for (const auto& f : files) {
        const fs::path path = dir_ / "dsound" / f.folder / f.file;
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << path << " does not load: " << sf_strerror(nullptr);
        sf_close(file);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16) << path;
        EXPECT_EQ(info.channels, 1) << path;
        EXPECT_EQ(info.samplerate, demo::SAMPLE_RATE) << path;
        EXPECT_EQ(info.frames, f.frames) << path;
        EXPECT_GT(demo::rmsLevel(sound(f.folder, f.file).samples), 0.01) << path << " is silent";
    }
}

TEST_F(DemoSoundSet, PositionsFileHoldsTheSegmentsAsByteOffsetsInsideTheEngineSound) {
    const auto lines = crlfLines(readFile(dir_ / "dsound" / demo::POSITIONS_FILE));
    ASSERT_EQ(lines.size(), 12u);
    const long bytes = long(demo::ENGINE_SAMPLES) * demo::BYTES_PER_SAMPLE;
    for (size_t k = 0; k < 6; ++k) {
        const std::string& startLine = lines[2 * k];
        const std::string& endLine = lines[2 * k + 1];
        for (const std::string* line : {&startLine, &endLine}) {
            EXPECT_TRUE(line->size() >= 3 && line->front() == ' ' && line->back() == ' ')
                << "segment " << k << ": '" << *line << "' is not a blank, digits and a blank";
        }
        const long start = std::stol(startLine), end = std::stol(endLine);
        EXPECT_EQ(start, long(demo::ENGINE_SEGMENTS[k].start) * 2) << "segment " << k;
        EXPECT_LE(0, start) << "segment " << k;
        EXPECT_LE(start, end) << "segment " << k;
        EXPECT_LE(end, bytes) << "segment " << k << " ends beyond the sound";
        EXPECT_EQ(start % demo::BYTES_PER_SAMPLE, 0) << "segment " << k << " starts inside a sample";
        EXPECT_EQ(end % demo::BYTES_PER_SAMPLE, 0) << "segment " << k << " ends inside a sample";
    }
}

// The program jumps from past a loop's end back to its start; what follows
// the end must be what follows the start, or the jump clicks.
TEST_F(DemoSoundSet, IdleAndDrivingLoopsRepeatWithoutASeam) {
    for (int k : {rumblet::MOTORLEERLAUFSTART, rumblet::FAHREN}) {
        const auto& seg = demo::ENGINE_SEGMENTS[size_t(k)];
        EXPECT_EQ((seg.end - seg.start) % demo::ENGINE_CYCLE_SAMPLES, 0) << seg.name << " holds no whole cycles";
        const int32_t guard = seg.soundEnd - seg.end;
        ASSERT_GE(guard, demo::SAMPLE_RATE / 2) << seg.name << " has no sound past its end";
        const auto atStart = engineSamples(seg.start, guard);
        const auto atEnd = engineSamples(seg.end, guard);
        float worst = 0.0f;
        for (size_t i = 0; i < atStart.size(); ++i) worst = std::max(worst, std::abs(atStart[i] - atEnd[i]));
        EXPECT_LT(worst, 3.0f / 32768.0f) << seg.name << ": the sound past the end differs from the loop's start";
    }
}

TEST_F(DemoSoundSet, IdleAndDrivingLoopsSoundAtTheDocumentedFundamental) {
    for (int k : {rumblet::MOTORLEERLAUFSTART, rumblet::FAHREN}) {
        const auto& seg = demo::ENGINE_SEGMENTS[size_t(k)];
        for (int32_t at = seg.start; at + 4096 <= seg.end; at += demo::SAMPLE_RATE / 2) {
            const auto hz = demo::fundamentalHz(engineSamples(at, 4096), demo::SAMPLE_RATE, 40.0, 400.0);
            ASSERT_TRUE(hz.has_value()) << seg.name << ": no pitch at sample " << at;
            EXPECT_NEAR(*hz, demo::ENGINE_FUNDAMENTAL_HZ, 0.005 * demo::ENGINE_FUNDAMENTAL_HZ)
                << seg.name << " at sample " << at;
        }
    }
}

// The end-to-end checks tell the sounds apart by band; each sound must carry
// its energy in its own band and the engine must stay out of the others.
TEST_F(DemoSoundSet, EachSoundLivesInItsOwnBand) {
    const auto driving = engineSamples(demo::ENGINE_SEGMENTS[rumblet::FAHREN].start, demo::SAMPLE_RATE);
    const double engine = demo::rmsLevel(driving);
    for (demo::Band band : {demo::TURRET_BAND, demo::SHOT_BAND, demo::RAIN_BAND})
        EXPECT_LT(demo::bandLevel(driving, demo::SAMPLE_RATE, band), 0.01 * engine)
            << "engine energy in the band " << band.lowHz << "-" << band.highHz << " Hz";

    const auto turret = sound("Turm", demo::TURRET_FILE);
    EXPECT_GT(demo::bandLevel(turret.samples, turret.rate, demo::TURRET_BAND), 0.9 * demo::rmsLevel(turret.samples));
    const auto rain = sound("atmo", demo::BACKGROUND_FILE);
    EXPECT_GT(demo::bandLevel(rain.samples, rain.rate, demo::RAIN_BAND), 0.9 * demo::rmsLevel(rain.samples));
    const auto shot = sound("Schuss", demo::SHOT_FILE);
    const auto crack = shot.window(0.0, 0.1);
    EXPECT_GT(demo::bandLevel(crack, shot.rate, demo::SHOT_BAND), 0.1 * demo::rmsLevel(crack));
}

TEST_F(DemoSoundSet, SettingsNameTheSetForFourControllersAndCom1) {
    const auto lines = crlfLines(readFile(dir_ / "IR.ini"));
    ASSERT_EQ(lines.size(), 27u);
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(lines[size_t(6 * n)], demo::ENGINE_FILE) << "controller " << n;
        EXPECT_EQ(lines[size_t(6 * n + 2)], demo::SHOT_FILE) << "controller " << n;
        EXPECT_EQ(lines[size_t(6 * n + 4)], demo::TURRET_FILE) << "controller " << n;
        EXPECT_EQ(lines[size_t(6 * n + 3)], "-600 ") << "controller " << n;
    }
    EXPECT_EQ(lines[24], demo::BACKGROUND_FILE);
    EXPECT_EQ(lines[25], "-1500 ");
    EXPECT_EQ(lines[26], " 1 ");
    const fs::path sounds = dir_ / "dsound";
    for (const fs::path& p : {sounds / lines[0], sounds / "Schuss" / lines[2], sounds / "Turm" / lines[4],
                              sounds / "atmo" / lines[24]})
        EXPECT_GT(rumblet::fileda(p.string()), 0) << p << " named in IR.ini is missing";
}

TEST_F(DemoSoundSet, SettingsForFewerControllersLeaveTheOthersEmpty) {
    const std::string text = demo::settingsText(2, 1);
    std::vector<std::string> lines;
    for (size_t from = 0, at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(text.substr(from, at - from));
    ASSERT_EQ(lines.size(), 27u);
    EXPECT_EQ(lines[0], demo::ENGINE_FILE);
    for (size_t line : {6u, 8u, 10u, 12u, 18u, 22u}) EXPECT_EQ(lines[line], "leer") << "line " << line + 1;
    EXPECT_EQ(lines[24], demo::BACKGROUND_FILE);
    EXPECT_EQ(lines[26], " 2 ");
}

TEST_F(DemoSoundSet, AUsersSettingsAreNeverReplaced) {
    const fs::path other = dir_ / "users";
    fs::create_directories(other);
    std::ofstream(other / "ir.INI", std::ios::binary) << "mine\r\n";
    EXPECT_FALSE(demo::writeSettingsIfMissing(other, 1));
    EXPECT_EQ(readFile(other / "ir.INI"), "mine\r\n");
    EXPECT_FALSE(fs::exists(other / "IR.ini"));
}

}  // namespace
