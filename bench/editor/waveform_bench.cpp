// What the sound editor's waveform strip costs: the envelope made once per
// loaded sound (and, for comparison, reading the file it comes from), and one
// repaint of the strip into an offscreen image at 96 dpi and at twice that.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "editor/qt/waveform_strip_widget.h"
#include "editor/waveform.h"
#include "editor/soundedit_layout.h"
#include "sound/testing/test_waves.h"

namespace rumblet {
namespace {

constexpr int RATE = 44100;
constexpr int SECONDS = 60;
constexpr int STRIP_WIDTH = soundedit_layout::WaveStrip.width;
constexpr int STRIP_HEIGHT = soundedit_layout::WaveStrip.height;

// 60 s of 16-bit stereo: an engine-like pulse whose level wanders.
const std::shared_ptr<const WaveData>& sixtySecondsStereo() {
    static const auto wave = [] {
        std::vector<float> samples(size_t(RATE) * SECONDS * 2);
        for (size_t f = 0; f < samples.size() / 2; ++f) {
            const double t = double(f) / RATE;
            const float s = float((0.5 + 0.3 * std::sin(t)) * std::sin(2 * M_PI * 40 * t) * std::exp(-std::fmod(t * 40, 1.0) * 4));
            samples[2 * f] = s;
            samples[2 * f + 1] = -s;
        }
        return std::make_shared<const WaveData>(makeWave(std::move(samples), 2, RATE, 2));
    }();
    return wave;
}

// The envelope as a load makes it: the blocks over the preview's samples,
// then the columns of the whole sound for a strip of range(0) device pixels.
void EnvelopeOfSixtySecondsStereo(benchmark::State& state) {
    const auto& wave = sixtySecondsStereo();
    for (auto _ : state) {
        WaveStrip strip;
        strip.setWidth(static_cast<int>(state.range(0)));
        strip.setSound(std::make_shared<const WaveEnvelope>(wave));
        benchmark::DoNotOptimize(strip.columns().data());
    }
}
BENCHMARK(EnvelopeOfSixtySecondsStereo)->Arg(STRIP_WIDTH)->Arg(2 * STRIP_WIDTH)->Unit(benchmark::kMillisecond);

// What loading the sound itself costs, for comparison.
void ReadSixtySecondStereoFile(benchmark::State& state) {
    testing::TempFolder folder;
    const std::string path = folder.path() + "/sixty.wav";
    testing::writeWaveFile(path, sixtySecondsStereo()->samples, 2, RATE);
    for (auto _ : state) benchmark::DoNotOptimize(loadWaveFile(path).samples.data());
}
BENCHMARK(ReadSixtySecondStereoFile)->Unit(benchmark::kMillisecond);

WaveStripState engineState() {
    WaveStripState state;
    state.sound = std::make_shared<const WaveEnvelope>(sixtySecondsStereo());
    state.engine = true;
    const int32_t second = RATE * 4;
    const int32_t bounds[] = {0, 5, 20, 28, 45, 52, 60};
    for (int s = 0; s < 6; ++s) state.positions[s] = {bounds[s] * second, bounds[s + 1] * second};
    state.current = 3;
    state.start = state.positions[3].start;
    state.end = state.positions[3].end;
    state.playCursor = 33 * second;
    return state;
}

const std::array<QString, 6> NAMES{"Motorstart", "Motorleerlaufstart", "Beschleunigen", "Fahren", "Bremsen", "Motorstop"};

// One repaint with bands, markers and the cursor moving on: the strip's
// work per frame of the 30 Hz refresh. range(0): device pixels per pixel.
// The strip's image at `dpr` device pixels per pixel, its view and what it shows.
struct Canvas {
    explicit Canvas(int dpr)
        : dpr(dpr), image(STRIP_WIDTH * dpr, STRIP_HEIGHT * dpr, QImage::Format_ARGB32_Premultiplied) {
        image.setDevicePixelRatio(dpr);
        view.setWidth(STRIP_WIDTH * dpr);
        view.setSound(strip.sound);
    }
    void paint() {
        QPainter painter(&image);
        qtskin::paintWaveStrip(painter, QSize(STRIP_WIDTH, STRIP_HEIGHT), dpr, view.scene(strip), NAMES);
    }
    int dpr;
    QImage image;
    WaveStripState strip = engineState();
    WaveStrip view;
};

void RepaintStrip(benchmark::State& state) {
    Canvas canvas(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        canvas.strip.playCursor = *canvas.strip.playCursor + 4 * RATE / 30;
        canvas.paint();
    }
}
BENCHMARK(RepaintStrip)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A wheel notch and the repaint after it: the columns of the new view are
// made from the envelope, then painted. Alternates in and out around the
// current segment's end.
void ZoomAndRepaintStrip(benchmark::State& state) {
    Canvas canvas(static_cast<int>(state.range(0)));
    int step = 0;
    for (auto _ : state) {
        canvas.view.zoomAt(canvas.view.columnOf(canvas.strip.end), (step++ / 8) % 2 == 0 ? 1 : -1);
        canvas.paint();
    }
}
BENCHMARK(ZoomAndRepaintStrip)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace rumblet

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // fonts for the segment names
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
