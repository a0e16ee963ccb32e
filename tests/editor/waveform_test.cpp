// The waveform strip without a toolkit: the envelope, the view and its zoom,
// the markers, and how the editor feeds it and takes a dragged marker back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "editor/soundedit_waveform.h"
#include "editor/waveform.h"
#include "soundedit_fixture.h"

namespace rumblet::testing {
namespace {

// `frames` frames of noise, 16-bit stereo at 44.1 kHz.
WaveData stereoNoise(int64_t frames, unsigned seed = 7) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::vector<float> samples(static_cast<size_t>(frames * 2));
    for (float& s : samples) s = sample(random);
    return makeWave(std::move(samples), 2, 44100, 2);
}

std::shared_ptr<const WaveEnvelope> envelopeOf(const WaveData& wave) {
    return std::make_shared<const WaveEnvelope>(std::make_shared<const WaveData>(wave));
}

TEST(WaveEnvelope, AnyStretchHasTheLowestAndHighestSampleOfAllChannels) {
    const WaveData wave = stereoNoise(1000);
    const auto made = envelopeOf(wave);
    const WaveEnvelope& envelope = *made;
    EXPECT_EQ(envelope.frames(), 1000);
    EXPECT_EQ(envelope.blockAlign(), 4);
    EXPECT_EQ(envelope.lengthBytes(), wave.dataBytes());
    auto quantised = [](float s) { return static_cast<int16_t>(s * 32767.0f); };
    // Inside one block, across block edges, whole blocks, clipped at the end.
    const std::pair<int64_t, int64_t> stretches[] = {{5, 6}, {3, 40}, {100, 300}, {128, 256}, {0, 1000}, {900, 5000}};
    for (auto [first, last] : stretches) {
        const auto from = wave.samples.begin() + first * 2;
        const auto to = wave.samples.begin() + std::min<int64_t>(last, 1000) * 2;
        const WaveSpan span = envelope.span(first, last);
        EXPECT_EQ(span.low, quantised(*std::min_element(from, to))) << first << ".." << last;
        EXPECT_EQ(span.high, quantised(*std::max_element(from, to))) << first << ".." << last;
    }
    EXPECT_TRUE(envelope.span(600, 600).empty());
    EXPECT_TRUE(envelope.span(2000, 3000).empty());
}

class WaveStripView : public ::testing::Test {
protected:
    void SetUp() override {
        strip.setWidth(WIDTH);
        strip.setSound(envelopeOf(wave));
    }
    static constexpr int WIDTH = 500;
    static constexpr int64_t FRAMES = 44100;
    WaveData wave = stereoNoise(FRAMES);
    WaveStrip strip;
};

TEST_F(WaveStripView, TheWholeSoundFillsTheWidthAndEveryColumnHasItsStretch) {
    const auto& columns = strip.columns();
    ASSERT_EQ(columns.size(), size_t(WIDTH));
    EXPECT_FALSE(strip.zoomed());
    EXPECT_DOUBLE_EQ(strip.framesPerColumn(), double(FRAMES) / WIDTH);
    EXPECT_EQ(strip.columnOf(0), 0);
    EXPECT_DOUBLE_EQ(strip.columnOf(int32_t(FRAMES * 4)), WIDTH);
    WaveSpan all;
    for (const auto& c : columns) {
        ASSERT_FALSE(c.empty());
        all.low = std::min(all.empty() ? c.low : all.low, c.low);
        all.high = std::max(all.high, c.high);
    }
    const WaveSpan whole = strip.sound()->span(0, FRAMES);
    EXPECT_EQ(all.low, whole.low);
    EXPECT_EQ(all.high, whole.high);
}

TEST_F(WaveStripView, ZoomKeepsTheSoundUnderTheMouseAndStopsWithEachSampleVisible) {
    const int32_t underMouse = strip.byteAt(123);
    strip.zoomAt(123, 3);
    EXPECT_TRUE(strip.zoomed());
    EXPECT_NEAR(strip.columnOf(underMouse), 123, 0.5);
    strip.zoomAt(123, 30);  // far beyond full zoom
    EXPECT_DOUBLE_EQ(strip.framesPerColumn(), 1.0 / WaveStrip::MAX_COLUMNS_PER_FRAME);
    // Each sample stands alone over its columns, joined to the next by its last one.
    const auto& columns = strip.columns();
    const int64_t frame = static_cast<int64_t>(strip.firstFrame()) + 10;
    const double x = (frame - strip.firstFrame()) * WaveStrip::MAX_COLUMNS_PER_FRAME;
    const auto& own = columns[static_cast<size_t>(std::ceil(x)) + 1];
    const WaveSpan sample = strip.sound()->span(frame, frame + 1);
    EXPECT_EQ(own.low, sample.low);
    EXPECT_EQ(own.high, sample.high);
    strip.zoomAt(0, -40);
    EXPECT_FALSE(strip.zoomed());
    EXPECT_EQ(strip.firstFrame(), 0);
}

TEST_F(WaveStripView, APositionUnderTheMouseIsAFrameBoundaryInsideTheSound) {
    strip.showBytes(40000, 40400);  // a segment of 100 frames, with margins
    EXPECT_NEAR(strip.columnOf(40000), WIDTH * 0.1 / 1.2, 1e-6);
    EXPECT_NEAR(strip.columnOf(40400), WIDTH * 1.1 / 1.2, 1e-6);
    for (double x : {0.0, 17.3, 250.0, 499.9}) EXPECT_EQ(strip.byteAt(x) % 4, 0) << x;
    EXPECT_EQ(strip.byteAt(strip.columnOf(40200)), 40200);
    strip.showWhole();
    EXPECT_EQ(strip.byteAt(-50), 0);
    EXPECT_EQ(strip.byteAt(WIDTH + 50), FRAMES * 4);
    strip.showBytes(8000, 8000);  // a segment not marked out yet: full zoom around it
    EXPECT_DOUBLE_EQ(strip.framesPerColumn(), 1.0 / WaveStrip::MAX_COLUMNS_PER_FRAME);
    EXPECT_NEAR(strip.columnOf(8000), WIDTH / 2.0, 1e-6);
}

TEST_F(WaveStripView, AMarkerIsGrabbedNearItAndTheEndWinsWhereBothStand) {
    const double perByte = WIDTH / (FRAMES * 4.0);
    const int32_t start = 40000, end = 80000;
    const double startX = start * perByte, endX = end * perByte;
    struct Row {
        double x;
        std::optional<Marker> grabbed;
    } rows[] = {{startX, Marker::Start},
                {startX + WaveStrip::GRAB_COLUMNS - 0.1, Marker::Start},
                {startX - WaveStrip::GRAB_COLUMNS - 0.1, std::nullopt},
                {(startX + endX) / 2, std::nullopt},
                {endX + 2, Marker::End}};
    for (const Row& r : rows) EXPECT_EQ(strip.markerAt(r.x, start, end), r.grabbed) << r.x;
    EXPECT_EQ(strip.markerAt(startX + 1, start, start), Marker::End);
    EXPECT_EQ(strip.markerAt(startX - 1, start, start), Marker::End);
}

TEST_F(WaveStripView, SegmentsAndMarkersOnlyForEngineSounds) {
    WaveStripState state;
    state.sound = envelopeOf(wave);
    state.engine = true;
    state.positions[0] = {0, 40000};
    state.positions[1] = {40000, 80000};
    state.positions[3] = {80000, 80000};  // empty: no band
    state.current = 1;
    state.positions[2] = {90000, 120000};
    state.start = 40000;
    state.end = 80000;
    state.playCursor = 60000;
    WaveStrip strip;
    strip.setWidth(WIDTH);
    WaveStripScene scene = strip.scene(state);
    ASSERT_NE(scene.columns, nullptr);
    ASSERT_EQ(scene.bands.size(), 3u);
    EXPECT_EQ(scene.bands.back().index, 1) << "the current segment is painted over the others";
    EXPECT_TRUE(scene.bands.back().current);
    EXPECT_DOUBLE_EQ(*scene.endMarker, strip.columnOf(80000));
    EXPECT_DOUBLE_EQ(*scene.playCursor, strip.columnOf(60000));

    state.engine = false;
    scene = strip.scene(state);
    EXPECT_TRUE(scene.bands.empty());
    EXPECT_FALSE(scene.startMarker || scene.endMarker);
    EXPECT_TRUE(scene.playCursor);

    state.sound.reset();
    scene = strip.scene(state);
    EXPECT_EQ(scene.columns, nullptr) << "an empty slot shows an empty strip";
}

// The editor keeps the sound of each load for the strip.
class SoundeditWaveform : public SoundeditFixture {
protected:
    void SetUp() override {
        SoundeditFixture::SetUp();
        addWave("dsound/tank.wav", sineWave(80, 4000, 11025, 0.5), 1, 11025);
        addWave("dsound/Schuss/bang.wav", sineWave(300, 1000, 11025, 0.9), 1, 11025);
        addFile("dsound/broken.wav", "RIFF but no wave");
        data.controllers[0].enginesound.file = "tank.wav";
        data.controllers[0].shotsound.file = "bang.wav";
        data.controllers[0].positions[0] = {1000, 3000};
        open();
    }
};

TEST_F(SoundeditWaveform, EachLoadShowsItsSoundAndALoadOfNothingAnEmptyStrip) {
    ASSERT_NE(editor->waveform(), nullptr);
    EXPECT_EQ(editor->waveform()->lengthBytes(), editor->preview()->GetBufferBytes());
    click(editor->Option2, CATEGORY_SHOT);
    ASSERT_NE(editor->waveform(), nullptr);
    EXPECT_EQ(editor->waveform()->frames(), 1000);

    data.controllers[0].shotsound.file = "leer";
    click(editor->Option2, CATEGORY_SHOT);
    EXPECT_EQ(editor->waveform(), nullptr);
    EXPECT_EQ(previewName(), "bang.wav") << "the old preview stays, only the strip is empty";

    click(editor->Option2, CATEGORY_ENGINE);
    pick("broken.wav");  // the fake device takes it; the wave loading does not
    EXPECT_EQ(editor->waveform(), nullptr);
}

TEST_F(SoundeditWaveform, ADraggedMarkerIsAUserMoveOfItsSlider) {
    moveMarker(*editor, Marker::End, 2400);
    EXPECT_EQ(data.controllers[0].positions[0].end, 2400);
    EXPECT_EQ(editor->Label4[1].caption, "2400");
    moveMarker(*editor, Marker::Start, 3000);  // past the end: pulled back
    EXPECT_EQ(data.controllers[0].positions[0].start, 2400);
    EXPECT_EQ(editor->Label4[0].caption, "2400");

    click(editor->Option2, CATEGORY_SHOT);
    EXPECT_FALSE(markersMovable(*editor));
    moveMarker(*editor, Marker::End, 500);
    EXPECT_EQ(data.controllers[0].positions[0].end, 2400);
}

TEST_F(SoundeditWaveform, TheStripAsksTheSoundAtMostOncePerLook) {
    preview()->setPlayCursor(1800);
    editor->Timer1.tick();  // the segment loop reads the cursor
    log->clear();
    WaveStripState state = waveStripState(*editor);
    EXPECT_EQ(state.playCursor, 1800);
    EXPECT_TRUE(state.engine);
    EXPECT_TRUE(log->callsOn(preview()).empty()) << "the engine's cursor comes from the segment loop";

    click(editor->Option2, CATEGORY_SHOT);
    preview()->setPlayCursor(640);
    log->clear();
    state = waveStripState(*editor);
    EXPECT_EQ(state.playCursor, 640);
    EXPECT_FALSE(state.engine);
    EXPECT_EQ(log->callsOn(preview()).size(), 1u);
}

}  // namespace
}  // namespace rumblet::testing
