#include "editor/soundedit.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "editor/waveform.h"
#include "programdata/file_system.h"
#include "programdata/replace_file.h"
#include "programdata/rounding.h"
#include "programdata/text_values.h"
#include "tanksound/positions_file.h"
#include "tanksound/sound_engine.h"
#include "tanksound/sound_paths.h"

namespace rumblet {

namespace {

constexpr int16_t SEGMENT_COUNT = 6;

std::string upperTail(const std::string& s, std::size_t n) {
    std::string tail = s.size() > n ? s.substr(s.size() - n) : s;
    for (char& ch : tail) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return tail;
}

// A name copied from Windows in its code page shows as it did there; the
// slot keeps the name as it was read.
std::string shownName(const std::string& file) { return file_system::nameText(file); }

}  // namespace

void SkinSoundeditSystem::Sleep(int32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void SkinSoundeditSystem::TIMEINIT() {
    if (timeinit_) timeinit_();
}

// Both divisions are exact where a half can arise, so the double holds the
// true quotient.
int32_t roundedDecibels(int32_t volume) { return static_cast<int32_t>(roundHalfEven(volume / 100.0)); }

int32_t tickSpacing(int32_t length) { return static_cast<int32_t>(roundHalfEven(length / 20.0)); }

std::string hundredthsText(int32_t volume, const std::string& decimalSeparator) {
    int64_t magnitude = std::llabs(static_cast<int64_t>(volume));
    std::string text = volume < 0 ? "-" : "";
    text += std::to_string(magnitude / 100);
    int64_t fraction = magnitude % 100;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction);
        if (digits.size() < 2) digits.insert(0, "0");
        if (digits.back() == '0') digits.pop_back();
        text += decimalSeparator + digits;
    }
    return text;
}

Soundedit::Soundedit(ProgramData& data, SoundeditOwner& owner, SoundeditSystem& system)
    : data_(data), owner_(owner), system_(system) {
    Frame2.caption = "Verzeichnis";
    Frame4.caption = "Soundfiles";
    const char* rowCaptions[] = {"Panzersound", "Schuss", "Turm", "Backround"};
    for (int i = 0; i < 4; ++i) Frame1[i].caption = rowCaptions[i];
    Frame7.caption = "Volume";
    Slider2.setRange(-50, 0);
    Slider2.setTickFrequency(5);
    Frame3.caption = "Kontroller";
    for (int i = 0; i < 4; ++i) Option1[i].caption = std::to_string(i + 1);
    Command1.caption = "Stopsound";
    Command2.caption = "PlayLoop";
    Frame5.caption = "Positionen Panzersound";
    const char* segmentCaptions[] = {"Motorstart", "Motorleerlaufstart", "Beschleunigen",
                                     "Fahren",     "Bremsen",            "Motorstop"};
    for (int i = 0; i < SEGMENT_COUNT; ++i) Option3[i].caption = segmentCaptions[i];
    Frame6[0].caption = "Start";
    Frame6[1].caption = "Ende";
    for (auto& s : Slider1) {
        s.setRange(0, 0);
        s.smallChange = 1;
        s.largeChange = 5;
    }
    Timer1.interval = 1;
    Timer1.enabled = false;

    for (int16_t i = 0; i < 4; ++i) {
        Option1[i].onClick = [this, i] { Option1_Click(i); };
        Option2[i].onClick = [this, i] { Option2_Click(i); };
    }
    for (int16_t i = 0; i < SEGMENT_COUNT; ++i) Option3[i].onClick = [this, i] { Option3_Click(i); };
    for (int16_t i = 0; i < 2; ++i) Slider1[i].onUserMove = [this, i] { Slider1_Scroll(i); };
    Slider2.onUserMove = [this] { Slider2_Scroll(); };
    File1.onClick = [this] { File1_Click(); };
    Timer1.onTimer = [this] { Timer1_Timer(); };
}

std::string Soundedit::folderOf(int16_t category) const {
    return soundFolder(data_.programDir, static_cast<SoundCategory>(category));
}

std::string Soundedit::pathOf(int16_t category, const std::string& name) const {
    return soundPath(data_.programDir, static_cast<SoundCategory>(category), name);
}

// Previews the sound of a slot. A stored name that could reach outside the
// sound folder is no sound, as for the main window's loader.
int32_t Soundedit::previewSlot(int16_t category) {
    const soundslot& slot = slotOf(category);
    if (!isSafeSoundName(slot.file)) return 0;
    return soundladen(pathOf(category, slot.file), slot.volume);
}

soundslot& Soundedit::slotOf(int16_t category) {
    controller& c = data_.controllers[controller_];
    switch (category) {
        case CATEGORY_ENGINE: return c.enginesound;
        case CATEGORY_SHOT: return c.shotsound;
        case CATEGORY_TURRET: return c.turretsound;
        default: return data_.atmosound;
    }
}

segment& Soundedit::currentSegmentPositions() {
    return data_.controllers[controller_].positions[segment_];
}

// "Volume: " and the slider's whole decibels, one blank.
void Soundedit::showVolume() { Frame7.setCaption("Volume: " + std::to_string(Slider2.value) + "%"); }

void Soundedit::setVolumeSlider(int32_t volume) { Slider2.setValue(roundedDecibels(volume)); }

void Soundedit::refreshLabels() {
    const controller& c = data_.controllers[controller_];
    Label3[3].setCaption(shownName(data_.atmosound.file));
    Label3[1].setCaption(shownName(c.shotsound.file));
    Label3[2].setCaption(shownName(c.turretsound.file));
    Label3[0].setCaption(shownName(c.enginesound.file));
}

void Soundedit::rewindPreviewToSegment() {
    if (preview_) preview_->SetCurrentPosition(currentSegmentPositions().start);
}

// Each opening starts in the engine category on segment 0 of the controller
// whose frame came last, whatever an earlier opening left behind.
void Soundedit::Form_Load() {
    Timer1.setEnabled(true);
    selectOption(Option1, 0);
    selectOption(Option2, 0);
    selectOption(Option3, 0);
    category_ = CATEGORY_ENGINE;
    File1.pattern = "*.wav";
    File1.setPath(folderOf(CATEGORY_ENGINE));
    int16_t last = data_.currentcontroller;
    controller_ = (last >= 0 && last < CONTROLLER_COUNT) ? last : 0;
    Anzeige(controller_);
    Anzeigeslider(controller_, segment_);
}

void Soundedit::Anzeige(int16_t k) {
    controller_ = k;
    showOptionSelected(Option1, static_cast<std::size_t>(k));
    refreshLabels();
    Frame5.setEnabled(category_ == CATEGORY_ENGINE);
    setVolumeSlider(slotOf(category_).volume);
    int32_t length = previewSlot(category_);
    if (category_ == CATEGORY_ENGINE) {
        rewindPreviewToSegment();
        soundlaengeausgeben(length);
        Anzeigeslider(k, segment_);
    }
    showVolume();
}

void Soundedit::Option1_Click(int16_t index) { Anzeige(index); }

// Switching the category plays that sound from its start; the position
// sliders only follow the engine sound's length.
void Soundedit::Option2_Click(int16_t index) {
    category_ = index;
    Frame5.setEnabled(category_ == CATEGORY_ENGINE);
    File1.setPath(folderOf(category_));
    int32_t length = previewSlot(category_);
    if (category_ == CATEGORY_ENGINE) soundlaengeausgeben(length);
}

void Soundedit::File1_Click() {
    std::string name = File1.fileName();
    if (upperTail(name, 4) != ".WAV") {
        system_.MsgBox(NO_WAVE_FILE_MESSAGE);
        refreshLabels();
        return;
    }
    // A name the file system cannot hold would be cut when it is saved.
    if (name.size() > file_system::maxNameBytes(folderOf(category_))) {
        system_.MsgBox(NAME_TOO_LONG_MESSAGE);
        refreshLabels();
        return;
    }
    std::string path = pathOf(category_, name);
    // A wave the device cannot play (damaged, too long, no sound data) is
    // named now, not first when the main window reloads at the close, and
    // is not taken: the slot keeps its sound, its positions and the preview,
    // as the main window's loading keeps a slot's sound.
    std::unique_ptr<SoundBuffer> picked;
    try {
        picked = loadPreview(path);
    } catch (const SoundError& e) {
        system_.MsgBox(soundLoadFailureText(e));
        refreshLabels();
        return;
    }
    soundslot& slot = slotOf(category_);
    slot.file = file_system::storedName(name);  // as IR.ini keeps names on this system
    setVolumeSlider(slot.volume);
    if (category_ == CATEGORY_ENGINE) {
        // Positions belong to the sound: another controller with it already
        // holds them, edits of this session included.
        const int16_t sharer = sharingController(data_, controller_);
        if (sharer >= 0) {
            data_.controllers[controller_].positions = data_.controllers[sharer].positions;
        } else {
            std::string positionsPath = path;
            const std::string problem = posladenEditor(data_, positionsPath, controller_);
            if (!problem.empty()) system_.MsgBox(problem);
        }
        int32_t length = playPreview(std::move(picked), slot.volume);
        rewindPreviewToSegment();
        slot.length = length;
        soundlaengeausgeben(length);
        Anzeigeslider(controller_, segment_);
    } else {
        playPreview(std::move(picked), slot.volume);
    }
    showVolume();
    refreshLabels();
}

void Soundedit::Slider2_Scroll() {
    showVolume();
    int32_t v = Slider2.value * 100;
    slotOf(category_).volume = v;
    if (preview_) preview_->SetVolume(v);
}

// Loads a wave file into the preview and plays it once. An empty slot, a
// missing file and a file the device cannot read all load nothing: the old
// preview stays and the length is 0, as the main window's loader does.
int32_t Soundedit::soundladen(const std::string& path, int32_t volume) {
    std::unique_ptr<SoundBuffer> loaded;
    try {
        loaded = loadPreview(path);
    } catch (const SoundError&) {
        // as an empty slot; the main window's loading names the file
    }
    return playPreview(std::move(loaded), volume);
}

// A buffer of the file at `path`; none for an empty slot, a missing file or
// no device. Throws SoundError for a file the device cannot use.
std::unique_ptr<SoundBuffer> Soundedit::loadPreview(const std::string& path) {
    if (upperTail(path, 4) == "LEER") return nullptr;
    if (fileda(path) <= 0 || !data_.directsound) return nullptr;
    return data_.directsound->CreateSoundBufferFromFile(resolvePathNoCase(path));
}

// Makes `loaded` the preview and plays it once; nothing loaded keeps the
// old preview and gives 0. The strip shows only what this load loaded, from
// the preview's own samples.
int32_t Soundedit::playPreview(std::unique_ptr<SoundBuffer> loaded, int32_t volume) {
    waveform_.reset();
    if (!loaded) return 0;
    preview_ = std::move(loaded);  // the old preview stops as it is released
    waveform_ = waveEnvelopeOf(*preview_);
    setVolumeSlider(volume);
    Frame7.setCaption("Volume:  " + hundredthsText(volume, system_.decimalSeparator()) + "%");
    preview_->SetVolume(volume);
    preview_->Play(PLAY_ONCE);
    Command2.setEnabled(true);
    return preview_->GetBufferBytes();
}

void Soundedit::soundlaengeausgeben(int32_t length) {
    Slider1[0].setRange(0, length);
    Slider1[0].setTickFrequency(tickSpacing(length));
    Label4[0].setCaption(std::to_string(Slider1[0].value));
    Slider1[1].setRange(0, length);
    Slider1[1].setValue(length);
    Slider1[1].setTickFrequency(tickSpacing(length));
    Label4[1].setCaption(std::to_string(length));
}

void Soundedit::Anzeigeslider(int16_t c, int16_t s) {
    const segment& seg = data_.controllers[c].positions[s];
    Slider1[0].setValue(seg.start);
    Label4[0].setCaption(std::to_string(Slider1[0].value));
    Slider1[1].setValue(seg.end);
    Label4[1].setCaption(std::to_string(Slider1[1].value));
}

// The segment loop: once the play cursor has passed the segment's end, the
// preview goes back to the segment's start.
void Soundedit::playsound() {
    if (!preview_) return;
    int32_t playCursor = 0, writeCursor = 0;
    preview_->GetCurrentPosition(playCursor, writeCursor);
    lastPlayCursor_ = playCursor;  // the waveform strip shows it without asking again
    const segment& seg = currentSegmentPositions();
    if (playCursor > seg.end) {
        preview_->SetCurrentPosition(seg.start);
        preview_->Play(PLAY_ONCE);
    }
}

void Soundedit::Timer1_Timer() {
    system_.Sleep(1);
    if (category_ == CATEGORY_ENGINE) playsound();
}

// A segment not marked yet begins, empty, where the segment selected before
// it ends: the user then only has to drag its end.
void Soundedit::Option3_Click(int16_t index) {
    if (category_ != CATEGORY_ENGINE) return;
    if (index != segment_) {
        auto& positions = data_.controllers[controller_].positions;
        if (index != 0 && positions[index].start == 0) {
            int32_t previousEnd = positions[segment_].end;
            positions[index] = {previousEnd, previousEnd};
            sharePositions(data_, controller_);
        }
        segment_ = index;
    }
    Anzeigeslider(controller_, segment_);
    rewindPreviewToSegment();
}

// Either slider: the start never passes the end; the end stays where the
// user put it.
void Soundedit::Slider1_Scroll(int16_t) {
    if (category_ != CATEGORY_ENGINE) return;
    if (Slider1[0].value >= Slider1[1].value) Slider1[0].setValue(Slider1[1].value);
    currentSegmentPositions() = {Slider1[0].value, Slider1[1].value};
    sharePositions(data_, controller_);
    Anzeigeslider(controller_, segment_);
    playsound();
}

void Soundedit::Command1_Click() {
    if (preview_) {
        preview_->Stop();
        preview_->SetCurrentPosition(0);
    }
    Command2.setEnabled(true);
}

void Soundedit::Command2_Click() {
    Command2.setEnabled(false);
    Command1.setEnabled(true);
    if (preview_) preview_->Play(DSBPLAY_LOOPING);
}

// Every close saves and makes the main window reload. Files that cannot be
// written are reported in one message, each once, and what they should have
// held is then not read back over the edits: they stay in use and the next
// save (at the latest the program's end) tries again.
void Soundedit::Form_Unload() {
    bool settingsSaved = true;
    bool positionsSaved = true;
    std::vector<std::string> notSaved;
    try {
        owner_.initsave();
    } catch (const std::exception& e) {
        settingsSaved = false;
        notSaved.push_back(e.what());
    }
    try {
        possave(data_);
    } catch (const std::exception& e) {
        positionsSaved = false;
        notSaved.push_back(e.what());
    }
    // A file of a read-only folder is named once in the run: its later
    // refusals have nothing more to say, but its edits stay in use.
    if (const std::string text = eachLineOnce(notSaved); !text.empty()) system_.MsgBox(text);
    if (preview_ && preview_->GetStatus() != 0) preview_->Stop();
    if (settingsSaved) owner_.initladen();
    owner_.soundladen();
    if (positionsSaved) owner_.posladen();
    owner_.enableTimer2();
    system_.TIMEINIT();
    Timer1.setEnabled(false);
    // The preview goes with the window, so no buffer outlives the device;
    // the strip's copy of its sound goes too.
    preview_.reset();
    waveform_.reset();
}

}  // namespace rumblet
