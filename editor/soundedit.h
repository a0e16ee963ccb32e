// The sound editor window `Soundedit` without any window toolkit: every
// control as state, the editor's own fields, and its handlers and
// procedures. The user assigns engine, shot, turret and background sounds and
// their volumes per controller, hears each choice in the editor's own preview
// buffer, and marks the six segments of an engine sound while the marked
// segment plays over and over.
//
// The editor works in place on the program-wide data; what it needs of the
// main window, the port library and the system comes through the two
// interfaces below.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "window/controls.h"
#include "programdata/program_data.h"
#include "editor/editor_controls.h"

namespace rumblet {

class WaveEnvelope;

// What the editor asks of the main window that owns it, when it closes.
class SoundeditOwner {
public:
    virtual ~SoundeditOwner() = default;
    // Writes IR.ini; throws an std::exception naming the file on failure.
    virtual void initsave() = 0;
    virtual void initladen() = 0;
    // Reloads all sound buffers and shows the main window's own messages.
    virtual void soundladen() = 0;
    virtual void posladen() = 0;
    // The controller watchdog Timer2, paused while the editor is open.
    virtual void enableTimer2() = 0;
};

// The system around the editor: message boxes, the 1 ms sleep of the
// segment loop, the port library's millisecond stopwatch, and the user's
// decimal separator.
class SoundeditSystem {
public:
    virtual ~SoundeditSystem() = default;
    // A modal message box with an OK button; returns when it is closed.
    virtual void MsgBox(const std::string& text) = 0;
    virtual void Sleep(int32_t ms) = 0;
    virtual void TIMEINIT() = 0;
    virtual std::string decimalSeparator() const = 0;
};

// The system around the editor as every window skin gives it: the thread's
// sleep, and the stopwatch restart it is given (the main window's). A skin
// adds its message boxes and the user's decimal separator.
class SkinSoundeditSystem : public SoundeditSystem {
public:
    explicit SkinSoundeditSystem(std::function<void()> timeinit) : timeinit_(std::move(timeinit)) {}
    void Sleep(int32_t ms) override;
    void TIMEINIT() override;

private:
    std::function<void()> timeinit_;
};

// The kinds of sound the file list, the volume slider and the preview work
// on: the editor's current category, the index of its option Option2.
inline constexpr int16_t CATEGORY_ENGINE = 0;      // "Panzersound", folder dsound
inline constexpr int16_t CATEGORY_SHOT = 1;        // "Schuss", folder dsound/Schuss
inline constexpr int16_t CATEGORY_TURRET = 2;      // "Turm", folder dsound/Turm
inline constexpr int16_t CATEGORY_BACKGROUND = 3;  // "Backround", folder dsound/atmo

inline constexpr const char* NO_WAVE_FILE_MESSAGE = "Keine .wav Datei";
inline constexpr const char* NAME_TOO_LONG_MESSAGE = "Dateiname zu lang";

class Soundedit {
public:
    Soundedit(ProgramData& data, SoundeditOwner& owner, SoundeditSystem& system);
    Soundedit(const Soundedit&) = delete;
    Soundedit& operator=(const Soundedit&) = delete;

    // --- controls -------------------------------------------------------
    std::string caption = "Soundedit";
    Frame Frame2;                         // "Verzeichnis"
    FileList File1;
    Frame Frame4;                         // "Soundfiles"
    std::array<Frame, 4> Frame1;          // engine, shot, turret, background
    std::array<Label, 4> Label3;          // their file names
    Frame Frame7;                         // "Volume" and the volume shown
    Slider Slider2;                       // volume in whole decibels, -50..0
    std::array<OptionButton, 4> Option2;  // category choice, no captions
    Frame Frame3;                         // "Kontroller"
    std::array<OptionButton, 4> Option1;  // "1".."4": controller 0..3
    Button Command1;                      // "Stopsound"
    Button Command2;                      // "PlayLoop"
    Frame Frame5;                         // "Positionen Panzersound"
    std::array<OptionButton, 6> Option3;  // the six segments
    std::array<Frame, 2> Frame6;          // "Start", "Ende"
    std::array<Slider, 2> Slider1;        // start and end of the segment, bytes
    std::array<Label, 2> Label4;          // their values as text
    Timer Timer1;                         // the segment loop, 1 ms

    // --- event handlers -------------------------------------------------
    void Form_Load();
    void Form_Unload();
    void Option1_Click(int16_t index);
    void Option2_Click(int16_t index);
    void Option3_Click(int16_t index);
    void File1_Click();
    void Slider2_Scroll();                // volume slider moved by the user
    void Slider1_Scroll(int16_t index);   // a position slider moved by the user
    void Command1_Click();
    void Command2_Click();
    void Timer1_Timer();

    // --- procedures -----------------------------------------------------
    void Anzeige(int16_t k);
    int32_t soundladen(const std::string& path, int32_t volume);
    void soundlaengeausgeben(int32_t length);
    void Anzeigeslider(int16_t c, int16_t s);
    void playsound();

    // --- editor state ---------------------------------------------------
    int16_t currentCategory() const { return category_; }
    int16_t currentController() const { return controller_; }
    int16_t currentSegment() const { return segment_; }
    SoundBuffer* preview() const { return preview_.get(); }
    // The current controller's segments.
    const std::array<segment, 6>& currentPositions() const { return data_.controllers[controller_].positions; }
    // The sound of the last load for the waveform strip, made from the
    // preview's own samples; none after a load that loaded nothing.
    const std::shared_ptr<const WaveEnvelope>& waveform() const { return waveform_; }
    // The play cursor as the segment loop read it last; -1 before it did.
    int32_t lastPlayCursor() const { return lastPlayCursor_; }

private:
    soundslot& slotOf(int16_t category);
    std::string folderOf(int16_t category) const;
    std::string pathOf(int16_t category, const std::string& name) const;
    int32_t previewSlot(int16_t category);
    segment& currentSegmentPositions();
    void showVolume();
    void refreshLabels();
    void setVolumeSlider(int32_t volume);
    void rewindPreviewToSegment();
    std::unique_ptr<SoundBuffer> loadPreview(const std::string& path);
    int32_t playPreview(std::unique_ptr<SoundBuffer> loaded, int32_t volume);

    ProgramData& data_;
    SoundeditOwner& owner_;
    SoundeditSystem& system_;
    int16_t category_ = CATEGORY_ENGINE;
    int16_t controller_ = 0;
    int16_t segment_ = 0;
    std::unique_ptr<SoundBuffer> preview_;
    std::shared_ptr<const WaveEnvelope> waveform_;
    int32_t lastPlayCursor_ = -1;
};

// volume / 100 rounded to the nearest whole number, halves to the even one.
int32_t roundedDecibels(int32_t volume);
// length / 20 rounded the same way: the position sliders' tick spacing.
int32_t tickSpacing(int32_t length);
// volume / 100 as decimal text with its fractional digits (-1250 -> "-12.5").
std::string hundredthsText(int32_t volume, const std::string& decimalSeparator);

}  // namespace rumblet
