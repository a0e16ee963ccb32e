// Where the sound editor's controls stand: pixels at 96 dots per inch, left,
// top, width, height, each relative to its container. The window skin scales
// them to the screen.
#pragma once

#include <array>

namespace rumblet::soundedit_layout {

struct Place {
    int left, top, width, height;
};

inline constexpr int CLIENT_WIDTH = 753;
// The controls take the top 286 pixels; the waveform strip runs below them.
inline constexpr int CLIENT_HEIGHT = 392;

// In the window.
inline constexpr Place Frame2{0, 0, 145, 209};      // "Verzeichnis"
inline constexpr Place Frame4{152, 0, 313, 265};    // "Soundfiles"
inline constexpr Place Frame5{472, 0, 273, 169};    // "Positionen Panzersound"
inline constexpr Place WaveStrip{0, 274, 745, 110};  // the preview's waveform

// In Frame2.
inline constexpr Place File1{8, 16, 129, 188};

// In Frame4. Rows 0-2 are the engine, shot and turret sounds, row 3 the
// background sound; the volume frame stands between rows 2 and 3.
inline constexpr std::array<Place, 4> Frame1{{
    {40, 16, 193, 41}, {40, 64, 193, 41}, {40, 112, 193, 41}, {40, 208, 193, 41}}};
inline constexpr std::array<Place, 4> Option2{{
    {16, 32, 17, 13}, {16, 80, 17, 13}, {16, 128, 17, 13}, {16, 224, 17, 13}}};
inline constexpr Place Frame7{40, 160, 193, 41};    // "Volume"
inline constexpr Place Frame3{248, 16, 57, 89};     // "Kontroller"
inline constexpr Place Command1{240, 112, 65, 25};  // "Stopsound"
inline constexpr Place Command2{240, 136, 65, 25};  // "PlayLoop"

// In each Frame1: the file name. The frames leave no place for it, so it
// takes the frame's inside below the caption.
inline constexpr Place Label3{8, 16, 177, 17};

// In Frame7.
inline constexpr Place Slider2{8, 16, 177, 17};

// In Frame3.
inline constexpr std::array<Place, 4> Option1{{
    {16, 16, 33, 17}, {16, 32, 33, 17}, {16, 48, 33, 17}, {16, 64, 33, 17}}};

// In Frame5.
inline constexpr std::array<Place, 6> Option3{{
    {8, 16, 73, 17}, {8, 40, 113, 17}, {8, 64, 97, 17},
    {8, 88, 73, 17}, {8, 112, 73, 17}, {8, 136, 73, 17}}};
inline constexpr std::array<Place, 2> Frame6{{{112, 16, 153, 73}, {112, 88, 153, 73}}};

// In each Frame6.
inline constexpr Place Slider1{8, 16, 137, 33};
inline constexpr Place Label4{48, 48, 73, 17};

}  // namespace rumblet::soundedit_layout
