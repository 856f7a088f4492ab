// Resource ids of the skin images at Medium size; Small adds 100 and Large
// 200. Image 300, the font image, serves every size. Filmstrips hold their
// frames stacked vertically, each frame as tall as the image is wide.
#pragma once

namespace calverine::skin {

constexpr int kSmallOffset = 100;
constexpr int kLargeOffset = 200;
constexpr int kFontImage = 300;  // 2500 x 64, 92 glyphs, marker row on top

enum Id : int {
    kBackground = 1,  // the whole frame: panels, section frames, labels
    // Knob filmstrips (one per knob kind).
    kKnobLarge = 2,      // kind 5, 187 frames
    kKnobTrimmer = 3,    // kind 6, 127 frames
    kKnobEffect = 4,     // kind 7, 127 frames
    kKnobDelayTime = 5,  // kind 8, 15 frames
    kKnobSmall = 6,      // kind 9, 127 frames
    kKnobOctave = 7,     // kind 29, 4 frames
    kKnobSemitone = 8,   // kind 30, 64 frames
    kKnobSemi24 = 9,     // kind 31, 49 frames
    kKnobFaceBend = 10,  // kind 21: the face under the code-drawn value
    kKnobFaceSplit = 11, // kind 28
    // Two-frame buttons (off above on).
    kButtonLamp = 12,      // kind 15
    kButtonMute = 13,      // kind 16
    kButtonSwitch = 14,    // kind 17
    kButtonEffectOn = 15,  // kind 18
    kButtonVoice = 16,     // kind 12
    kButtonPart = 17,      // kind 19
    kButtonPick = 18,      // kind 32
    kButtonMixer = 19,     // kind 13, three frames: off, half, full
    kButtonBackside = 20,  // kind 2
    kLink = 21,            // kind 1
    kMeter = 22,           // kind 3: the unlit and lit strips side by side
    kWheel = 23,           // kind 20, 64 frames
    kPresetSelector = 24,  // kind 22
    kSizeMenu = 25,        // kind 25
    kStepsMenu = 26,       // kind 26
    kBarDisplay = 27,      // kind 27: the step editor's well
    kMatrixMenu = 28,      // kinds 10 and 11
    kVoicePlate = 29,      // kind 0, tag 312
    kMatrixPlate = 30,     // kind 0, tag 342
    kTrimHint = 31,        // kind 23, tag 340
    kTrimLabels = 32,      // kind 24, tag 341
    // Plates that replace part of the background when the editor changes
    // mode; each covers exactly its box of the frame.
    kPlatePage0 = 33,    // effects and steps, page box 100,316-820,725
    kPlateMatrix = 34,   // the matrix page, same box
    kPlateTrimmer = 35,  // trimmer mode, part rows 0,56-1165,316
    kPlateBrowser = 36,  // the browser, page box
    kPlateBack = 37,     // the back side, 100,56-1165,725
    kPlatePart = 38,     // part mode, part rows (as in the background)
    // Small pieces for code-drawn views.
    kValueDisplay = 39,     // floating value display, 72 x 20
    kSelectorButtons = 40,  // previous, next, load, browser: 4 icons of 20 x 20 in a row; second row pressed
    kMidiLamp = 41,         // two frames 10 x 10: idle, active
    kStepMarker = 42,       // the playing step's marker, 8 x 8
    kMessagePlate = 43,     // message box body, 360 x 140
    kPopupBody = 44,        // popup menu body, 160 x 20 per row, stretched
    kBrowserBar = 45,       // the browser's top bar, 720 x 30
    kBrowserRow = 46,       // two frames 340 x 20: plain, selected
    kScrollTrack = 47,      // 10 x 100
    kScrollThumb = 48,      // 10 x 40
    kSearchField = 49,      // 160 x 20
    kCloseButton = 50,      // two frames 20 x 20
    kFavouriteStar = 51,    // two frames 14 x 14: off, on
    kGeneticsPanel = 52,    // 720 x 84
    kBrowserButton = 53,    // two frames 90 x 20
    kCheckMark = 54,        // 12 x 12
};

constexpr int kImageCount = 54;  // per size; ids 1..54

// Frames of each knob kind's filmstrip; 0 for kinds that are not knobs.
constexpr int knobFrames(int kind) {
    switch (kind) {
    case 5: return 187;
    case 6: return 127;
    case 7: return 127;
    case 8: return 15;
    case 9: return 127;
    case 29: return 4;
    case 30: return 64;
    case 31: return 49;
    default: return 0;
    }
}

// Frames stacked in the image of a layout record's kind: knob filmstrips,
// two-state buttons, the three-state mixer button and the wheels; 1 for
// the rest.
constexpr int kWheelFrames = 64;
constexpr int framesOf(int kind) {
    if (int frames = knobFrames(kind)) return frames;
    switch (kind) {
    case 2:
    case 12:
    case 15:
    case 16:
    case 17:
    case 18:
    case 19:
    case 32: return 2;
    case 13: return 3;
    case 20: return kWheelFrames;
    default: return 1;
    }
}

// The image of a layout record's kind (and tag, for static images); 0 for none.
constexpr int imageFor(int kind, int tag) {
    switch (kind) {
    case 0: return tag == 342 ? kMatrixPlate : kVoicePlate;
    case 1: return kLink;
    case 2: return kButtonBackside;
    case 3: return kMeter;
    case 5: return kKnobLarge;
    case 6: return kKnobTrimmer;
    case 7: return kKnobEffect;
    case 8: return kKnobDelayTime;
    case 9: return kKnobSmall;
    case 10:
    case 11: return kMatrixMenu;
    case 12: return kButtonVoice;
    case 13: return kButtonMixer;
    case 15: return kButtonLamp;
    case 16: return kButtonMute;
    case 17: return kButtonSwitch;
    case 18: return kButtonEffectOn;
    case 19: return kButtonPart;
    case 20: return kWheel;
    case 21: return kKnobFaceBend;
    case 22: return kPresetSelector;
    case 23: return kTrimHint;
    case 24: return kTrimLabels;
    case 25: return kSizeMenu;
    case 26: return kStepsMenu;
    case 27: return kBarDisplay;
    case 28: return kKnobFaceSplit;
    case 29: return kKnobOctave;
    case 30: return kKnobSemitone;
    case 31: return kKnobSemi24;
    case 32: return kButtonPick;
    default: return 0;
    }
}

}  // namespace calverine::skin
