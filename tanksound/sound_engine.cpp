#include "tanksound/sound_engine.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "irframe/irframe.h"
#include "programdata/rounding.h"
#include "tanksound/sound_paths.h"

namespace rumblet {

namespace {

constexpr int32_t ENGINE_LEVEL_PER_NEW_MODEL = 3;  // speed sum offset of a "New" controller

bool isController(int16_t n) { return n >= 0 && n < CONTROLLER_COUNT; }

// A slot whose file was "leer" or missing has no buffer; the sound actions
// on it are skipped one by one, the decisions around them still run.
SoundBuffer* bufferOf(soundslot& slot) { return slot.buffer.get(); }

// Loads one slot's file if it exists. A file that exists but is no usable
// wave file keeps the slot's old buffer; its message is added to `problems`.
// A configured sound that is not there adds its line to `missing`.
void loadSlot(ProgramData& data, soundslot& slot, SoundCategory category, int owner,
              std::vector<std::string>& problems, std::string& missing) {
    if (isEmptySoundName(slot.file)) return;
    const std::string path = soundPath(data.programDir, category, slot.file);
    if (!isSafeSoundName(slot.file) || fileda(path) <= 0) {
        missing += "\n" + slotLabel(owner, category) + ": " + slot.file;
        return;
    }
    const bool isEngine = category == SoundCategory::Engine;
    try {
        auto buffer = data.directsound->CreateSoundBufferFromFile(resolvePathNoCase(path));
        if (isEngine) slot.basefrequency = buffer->GetFrequency();
        buffer->SetVolume(slot.volume);
        slot.buffer = std::move(buffer);
    } catch (const SoundError& e) {
        problems.push_back(soundLoadFailureText(e));
    }
}

// The fire frame's shot: restarted from its beginning when it still plays.
void fireShot(controller& r) {
    if (r.shotrequest == 0) return;
    SoundBuffer* shot = bufferOf(r.shotsound);
    if (shot && shot->GetStatus() != 0) {
        shot->Stop();
        shot->SetCurrentPosition(0);
        r.shotrequest = 0;
    }
    if (shot) shot->Play(PLAY_ONCE);
}

// The turret loop runs while turret frames keep coming.
void runTurret(controller& r, std::array<int16_t, 18>& bits) {
    SoundBuffer* turret = bufferOf(r.turretsound);
    if (r.turretstate > 1) {
        if (turret) turret->Stop();
        r.turretstate = 0;
    }
    if (r.turretstate == 1) {
        if (turret) turret->Play(DSBPLAY_LOOPING);
        r.turretstate = 2;
        bits[irframe::bit::TURRET] = 0;
        bits[irframe::bit::TURRET_OR_SECOND_START] = 0;
    }
}

void readEngineCursor(controller& r, SoundBuffer* engine) {
    if (engine) engine->GetCurrentPosition(r.enginesound.playcursor, r.enginesound.writecursor);
}

void setEngineFrequency(SoundBuffer* engine, int32_t hz) {
    if (engine) engine->SetFrequency(hz);
}

void moveEngine(SoundBuffer* engine, int32_t position) {
    if (engine) engine->SetCurrentPosition(position);
}

// Standing: braking runs out into the idle loop, which loops at base pitch.
void stand(controller& r) {
    SoundBuffer* engine = bufferOf(r.enginesound);
    if (r.phase == 2) {
        moveEngine(engine, r.positions[BREMSEN].start);
        r.phase = 1;
    }
    readEngineCursor(r, engine);
    if (r.phase == 1 && r.enginesound.playcursor > r.positions[BREMSEN].end) {
        setEngineFrequency(engine, r.enginesound.basefrequency);
        moveEngine(engine, r.positions[MOTORLEERLAUFSTART].start);
        r.phase = 0;
    }
    if (r.phase == 0) {
        setEngineFrequency(engine, r.enginesound.basefrequency);
        if (r.enginesound.playcursor > r.positions[MOTORLEERLAUFSTART].end)
            moveEngine(engine, r.positions[MOTORLEERLAUFSTART].start);
    }
}

// Driving: moving off runs into the driving loop, pitched by the speeds.
void drive(controller& r) {
    SoundBuffer* engine = bufferOf(r.enginesound);
    setEngineFrequency(engine, engineFrequency(r.enginesound.basefrequency,
                                               engineSpeedSum(r.speed1, r.speed2, r.newmodel)));
    if (r.phase < 2) {
        moveEngine(engine, r.positions[BESCHLEUNIGEN].start);
        r.phase = 2;
        if (engine) engine->Play(PLAY_ONCE);
    }
    readEngineCursor(r, engine);
    if (r.enginesound.playcursor > r.positions[FAHREN].end) {
        moveEngine(engine, r.positions[FAHREN].start);
        r.phase = 2;
    }
}

}  // namespace

std::string soundInitFailureText(const SoundError& e) {
    return "Direct Sound Objekt konnte nicht initialisiert werden.\r\n"
           "Prüfe ob eine SoundKarte installiert ist und ob sie funktioniert.\r" +
           std::to_string(e.code()) + "/" + e.what();
}

std::string soundLoadFailureText(const SoundError& e) {
    return "Sounddatei konnte nicht geladen werden: " + std::string(e.what());
}

void soundinit(ProgramData& data) {
    // The program's entry puts its platform's output in place; without one
    // there is nothing to play on.
    if (!data.directx) throw SoundError(SOUND_ERROR_NO_OUTPUT, "no sound output");
    data.directsound = data.directx->DirectSoundCreate();
}

std::vector<std::string> soundladen(ProgramData& data) {
    if (!data.directsound) return {"Sounds nicht geladen: kein Soundgerät"};
    std::vector<std::string> problems;
    std::string missing;
    for (int n = 0; n < CONTROLLER_COUNT; ++n) {
        controller& c = data.controllers[static_cast<size_t>(n)];
        loadSlot(data, c.enginesound, SoundCategory::Engine, n, problems, missing);
        loadSlot(data, c.shotsound, SoundCategory::Shot, n, problems, missing);
        loadSlot(data, c.turretsound, SoundCategory::Turret, n, problems, missing);
    }
    loadSlot(data, data.atmosound, SoundCategory::Background, 0, problems, missing);
    if (!missing.empty()) problems.insert(problems.begin(), "Sounddateien nicht gefunden:" + missing);
    return problems;
}

int16_t engineSpeedSum(int16_t speed1, int16_t speed2, int16_t newmodel) {
    const int32_t offset = ENGINE_LEVEL_PER_NEW_MODEL * newmodel;
    const int32_t sum = std::abs(speed2 + offset) + std::abs(int32_t{speed1}) + offset;
    // The speeds are 5-bit fields; a sum beyond 16 bits cannot come from a frame.
    return static_cast<int16_t>(std::clamp<int32_t>(sum, std::numeric_limits<int16_t>::min(),
                                                     std::numeric_limits<int16_t>::max()));
}

int32_t engineFrequency(int32_t basefrequency, int16_t speedSum) {
    const double base = basefrequency;
    const double f = (speedSum / 2.0) * (base / 45.0) + (base - base / 3.0);
    const double rounded = roundHalfEven(f);
    return static_cast<int32_t>(std::clamp<double>(rounded, std::numeric_limits<int32_t>::min(),
                                                   std::numeric_limits<int32_t>::max()));
}

void soundauswerten(ProgramData& data, std::array<int16_t, 18>& bits, int16_t n) {
    if (!isController(n)) return;
    controller& r = data.controllers[static_cast<size_t>(n)];
    fireShot(r);
    runTurret(r, bits);
    const bool driving = r.speed1 != 0 || (r.speed2 != 0 && r.turretstate == 0);
    if (driving) {
        drive(r);
    } else {
        stand(r);
    }
}

void enginestart(ProgramData& data, int16_t n) {
    if (!isController(n)) return;
    if (SoundBuffer* engine = bufferOf(data.controllers[static_cast<size_t>(n)].enginesound))
        engine->Play(PLAY_ONCE);
}

void enginestop(ProgramData& data, int16_t n) {
    if (!isController(n)) return;
    controller& c = data.controllers[static_cast<size_t>(n)];
    moveEngine(bufferOf(c.enginesound), c.positions[MOTORSTOP].start);
}

void soundstop(ProgramData& data) {
    for (controller& c : data.controllers) {
        SoundBuffer* engine = bufferOf(c.enginesound);
        if (engine && engine->GetStatus() != 0) engine->Stop();
    }
    atmostop(data);
}

void atmoplay(ProgramData& data) {
    if (SoundBuffer* atmo = bufferOf(data.atmosound)) atmo->Play(DSBPLAY_LOOPING);
}

void atmostop(ProgramData& data) {
    SoundBuffer* atmo = bufferOf(data.atmosound);
    if (atmo && atmo->GetStatus() != 0) atmo->Stop();
}

}  // namespace rumblet
