// The layout at Medium size (1165 x 725). The panel is cut into boxes:
//
//   header              0,0 - 1165,56     selectors, part buttons, page, meter, size, back side
//   part row 1          0,56 - 1165,186   voice, osc 1, osc 2, pulse width, mixer, output
//   part row 2          0,186 - 1165,316  filter, filter env, amp env, LFO 1
//   wheels              0,316 - 100,725
//   page box            100,316 - 820,725 effects and steps (page 0) or the matrix (page 1)
//   LFO 2 and voices    820,316 - 1165,725
//
// The trimmers share the part rows; each sits where the control it trims
// sits in part mode. Knob cells are 60 (48 px knobs), 56 (40 px) and 52
// (36 and 32 px) wide; every control's label is drawn on the background.
#include "LayoutTable.h"

namespace calverine {

namespace {

constexpr LayoutRecord box(int panel, int kind, int tag, int x, int y, int w, int h) {
    return LayoutRecord{panel, kind, tag, 0, x, y, x + w, y + h, "Main"};
}

// Sizes of the controls at Medium.
constexpr int kKnob = 48;        // kinds 5, 29, 30
constexpr int kKnobTrim = 36;    // kinds 6, 31
constexpr int kKnobSmall = 32;   // kind 9
constexpr int kKnobEffect = 40; // kinds 7, 8, 21, 28
constexpr int kLampW = 40, kLampH = 18;   // kind 15 and the mixer button
constexpr int kPillW = 28, kPillH = 14;   // kinds 17, 18, 32: switches in title bars and lists
constexpr int kVoiceW = 36, kVoiceH = 22;
constexpr int kMuteW = 36, kMuteH = 16;
constexpr int kMenuW = 130, kMenuH = 20;  // matrix menus
constexpr int kWheelW = 28, kWheelH = 128;

// Part rows: knobs, lamp pairs and single lamps sit at fixed heights.
constexpr int kRow1 = 56, kRow2 = 186;
constexpr int knobTop(int row) { return row + 34; }
constexpr int lampTop(int row, int index) { return row + 30 + 44 * index; }
constexpr int trimTop(int row) { return row + 40; }
// LFO panels: a lamp grid right-aligned in both LFO sections.
constexpr int kLfoCol[4] = {986, 1030, 1074, 1118};
constexpr int kLfo1Title = 207, kLfo2Title = 337;  // bottom of each title bar
constexpr int lfoShapes(int title) { return title + 15; }
constexpr int lfoFreq(int title) { return title + 49; }
constexpr int lfoPw(int title) { return title + 71; }
// Effects page: knob heights per effects row.
constexpr int kFxRow1 = 316, kFxRow2 = 446;
constexpr int fxKnobTop(int row) { return row + 44; }
constexpr int titleLamp(int row) { return row + 5; }
// Matrix page rows.
constexpr int matrixRow(int slot) { return 368 + 56 * (slot % 6); }
constexpr int matrixX(int slot) { return slot < 6 ? 116 : 466; }
// Voice grid.
constexpr int voiceX(int voice) { return 834 + 40 * (voice % 8); }
constexpr int voiceTop(int voice) { return voice < 8 ? 562 : 640; }

}  // namespace

const std::array<LayoutRecord, kLayoutRecords> kLayout = {{
    // Static plates: matrix slot numbers and titles, voice numbers.
    box(5, 0, 342, 106, 340, 708, 380),
    box(6, 0, 312, 826, 540, 333, 180),
    // Web link, under the globals.
    box(2, 1, 306, 768, 486, 48, 50),
    // Back side switches.
    box(1, 2, 304, 1142, 8, 18, 16),
    box(1, 2, 305, 1142, 32, 18, 16),
    // Level meter.
    box(1, 3, 301, 952, 24, 58, 20),

    // Large knobs: voice, output, osc 2, LFO 1, pulse width, filter, envelopes, LFO 2.
    box(3, 5, 7, 846, knobTop(kRow1), kKnob, kKnob),
    box(3, 5, 8, 906, knobTop(kRow1), kKnob, kKnob),
    box(3, 5, 12, 14, knobTop(kRow1), kKnob, kKnob),
    box(3, 5, 13, 74, knobTop(kRow1), kKnob, kKnob),
    box(3, 5, 15, 394, knobTop(kRow1), kKnob, kKnob),
    box(3, 5, 31, 454, knobTop(kRow1), kKnob, kKnob),
    box(3, 5, 20, 812, knobTop(kRow2), kKnob, kKnob),
    box(3, 5, 24, 868, knobTop(kRow2), kKnob, kKnob),
    box(3, 5, 28, 924, knobTop(kRow2), kKnob, kKnob),
    box(3, 5, 47, 586, knobTop(kRow1), kKnob, kKnob),
    box(3, 5, 50, 14, knobTop(kRow2), kKnob, kKnob),
    box(3, 5, 51, 74, knobTop(kRow2), kKnob, kKnob),
    box(3, 5, 52, 134, knobTop(kRow2), kKnob, kKnob),
    box(3, 5, 59, 304, knobTop(kRow2), kKnob, kKnob),
    box(3, 5, 60, 364, knobTop(kRow2), kKnob, kKnob),
    box(3, 5, 61, 424, knobTop(kRow2), kKnob, kKnob),
    box(3, 5, 62, 484, knobTop(kRow2), kKnob, kKnob),
    box(3, 5, 63, 559, knobTop(kRow2), kKnob, kKnob),
    box(3, 5, 64, 619, knobTop(kRow2), kKnob, kKnob),
    box(3, 5, 65, 679, knobTop(kRow2), kKnob, kKnob),
    box(3, 5, 66, 739, knobTop(kRow2), kKnob, kKnob),
    box(6, 5, 33, 828, 344, kKnob, kKnob),
    box(6, 5, 35, 880, 344, kKnob, kKnob),
    box(6, 5, 67, 932, 344, kKnob, kKnob),

    // Trimmers, each under the control it trims.
    box(4, 6, 130, 212, trimTop(kRow1), kKnobTrim, kKnobTrim),
    box(4, 6, 131, 342, trimTop(kRow1), kKnobTrim, kKnobTrim),
    box(4, 6, 132, 592, trimTop(kRow1), kKnobTrim, kKnobTrim),
    box(4, 6, 133, 20, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 134, 80, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 135, 140, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 136, 310, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 137, 370, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 138, 430, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 139, 490, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 140, 565, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 141, 625, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 142, 685, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 143, 745, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 144, 852, trimTop(kRow1), kKnobTrim, kKnobTrim),
    box(4, 6, 145, 912, trimTop(kRow1), kKnobTrim, kKnobTrim),
    box(4, 6, 148, 454, trimTop(kRow1), kKnobTrim, kKnobTrim),
    box(4, 6, 158, 510, trimTop(kRow1), kKnobTrim, kKnobTrim),
    box(4, 6, 149, 818, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 150, 874, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 151, 930, trimTop(kRow2), kKnobTrim, kKnobTrim),
    box(4, 6, 147, 80, trimTop(kRow1), kKnobTrim, kKnobTrim),
    box(6, 6, 155, 834, 460, kKnobTrim, kKnobTrim),
    box(6, 6, 156, 886, 460, kKnobTrim, kKnobTrim),
    box(6, 6, 157, 938, 460, kKnobTrim, kKnobTrim),

    // Effects knobs: organic, reverb, delay, chorus.
    box(2, 7, 96, 458, fxKnobTop(kFxRow2), kKnobEffect, kKnobEffect),
    box(2, 7, 90, 115, fxKnobTop(kFxRow1), kKnobEffect, kKnobEffect),
    box(2, 7, 91, 171, fxKnobTop(kFxRow1), kKnobEffect, kKnobEffect),
    box(2, 7, 94, 339, fxKnobTop(kFxRow1), kKnobEffect, kKnobEffect),
    box(2, 7, 93, 283, fxKnobTop(kFxRow1), kKnobEffect, kKnobEffect),
    box(2, 7, 92, 227, fxKnobTop(kFxRow1), kKnobEffect, kKnobEffect),
    box(2, 7, 95, 395, fxKnobTop(kFxRow1), kKnobEffect, kKnobEffect),
    box(2, 7, 85, 521, fxKnobTop(kFxRow1), kKnobEffect, kKnobEffect),
    box(2, 7, 86, 577, fxKnobTop(kFxRow1), kKnobEffect, kKnobEffect),
    box(2, 7, 87, 633, fxKnobTop(kFxRow1), kKnobEffect, kKnobEffect),
    box(2, 7, 88, 689, fxKnobTop(kFxRow1), kKnobEffect, kKnobEffect),
    box(2, 7, 89, 745, fxKnobTop(kFxRow1), kKnobEffect, kKnobEffect),
    box(2, 7, 16, 126, fxKnobTop(kFxRow2), kKnobEffect, kKnobEffect),
    box(2, 7, 17, 182, fxKnobTop(kFxRow2), kKnobEffect, kKnobEffect),
    box(2, 7, 18, 238, fxKnobTop(kFxRow2), kKnobEffect, kKnobEffect),
    box(2, 7, 19, 294, fxKnobTop(kFxRow2), kKnobEffect, kKnobEffect),
    // Delay time: 15 divisions.
    box(2, 8, 84, 465, fxKnobTop(kFxRow1), kKnobEffect, kKnobEffect),

    // Matrix amounts: trimmers of the output and filter, then slots 1..12.
    box(4, 9, 146, 980, trimTop(kRow1) + 2, kKnobSmall, kKnobSmall),
    box(4, 9, 152, 270, trimTop(kRow1) + 2, kKnobSmall, kKnobSmall),
    box(4, 9, 153, 398, trimTop(kRow1) + 2, kKnobSmall, kKnobSmall),
    box(4, 9, 154, 198, trimTop(kRow2) + 2, kKnobSmall, kKnobSmall),
    box(5, 9, 110, matrixX(0) + 158, matrixRow(0) + 12, kKnobSmall, kKnobSmall),
    box(5, 9, 111, matrixX(1) + 158, matrixRow(1) + 12, kKnobSmall, kKnobSmall),
    box(5, 9, 112, matrixX(2) + 158, matrixRow(2) + 12, kKnobSmall, kKnobSmall),
    box(5, 9, 113, matrixX(3) + 158, matrixRow(3) + 12, kKnobSmall, kKnobSmall),
    box(5, 9, 114, matrixX(4) + 158, matrixRow(4) + 12, kKnobSmall, kKnobSmall),
    box(5, 9, 115, matrixX(5) + 158, matrixRow(5) + 12, kKnobSmall, kKnobSmall),
    box(5, 9, 183, matrixX(6) + 158, matrixRow(6) + 12, kKnobSmall, kKnobSmall),
    box(5, 9, 186, matrixX(7) + 158, matrixRow(7) + 12, kKnobSmall, kKnobSmall),
    box(5, 9, 189, matrixX(8) + 158, matrixRow(8) + 12, kKnobSmall, kKnobSmall),
    box(5, 9, 192, matrixX(9) + 158, matrixRow(9) + 12, kKnobSmall, kKnobSmall),
    box(5, 9, 195, matrixX(10) + 158, matrixRow(10) + 12, kKnobSmall, kKnobSmall),
    box(5, 9, 198, matrixX(11) + 158, matrixRow(11) + 12, kKnobSmall, kKnobSmall),

    // Matrix sources.
    box(5, 10, 100, matrixX(0) + 22, matrixRow(0) + 18, kMenuW, kMenuH),
    box(5, 10, 101, matrixX(1) + 22, matrixRow(1) + 18, kMenuW, kMenuH),
    box(5, 10, 102, matrixX(2) + 22, matrixRow(2) + 18, kMenuW, kMenuH),
    box(5, 10, 103, matrixX(3) + 22, matrixRow(3) + 18, kMenuW, kMenuH),
    box(5, 10, 104, matrixX(4) + 22, matrixRow(4) + 18, kMenuW, kMenuH),
    box(5, 10, 105, matrixX(5) + 22, matrixRow(5) + 18, kMenuW, kMenuH),
    box(5, 10, 182, matrixX(6) + 22, matrixRow(6) + 18, kMenuW, kMenuH),
    box(5, 10, 185, matrixX(7) + 22, matrixRow(7) + 18, kMenuW, kMenuH),
    box(5, 10, 188, matrixX(8) + 22, matrixRow(8) + 18, kMenuW, kMenuH),
    box(5, 10, 191, matrixX(9) + 22, matrixRow(9) + 18, kMenuW, kMenuH),
    box(5, 10, 194, matrixX(10) + 22, matrixRow(10) + 18, kMenuW, kMenuH),
    box(5, 10, 197, matrixX(11) + 22, matrixRow(11) + 18, kMenuW, kMenuH),
    // Matrix destinations.
    box(5, 11, 120, matrixX(0) + 198, matrixRow(0) + 18, kMenuW + 10, kMenuH),
    box(5, 11, 121, matrixX(1) + 198, matrixRow(1) + 18, kMenuW + 10, kMenuH),
    box(5, 11, 122, matrixX(2) + 198, matrixRow(2) + 18, kMenuW + 10, kMenuH),
    box(5, 11, 123, matrixX(3) + 198, matrixRow(3) + 18, kMenuW + 10, kMenuH),
    box(5, 11, 124, matrixX(4) + 198, matrixRow(4) + 18, kMenuW + 10, kMenuH),
    box(5, 11, 125, matrixX(5) + 198, matrixRow(5) + 18, kMenuW + 10, kMenuH),
    box(5, 11, 184, matrixX(6) + 198, matrixRow(6) + 18, kMenuW + 10, kMenuH),
    box(5, 11, 187, matrixX(7) + 198, matrixRow(7) + 18, kMenuW + 10, kMenuH),
    box(5, 11, 190, matrixX(8) + 198, matrixRow(8) + 18, kMenuW + 10, kMenuH),
    box(5, 11, 193, matrixX(9) + 198, matrixRow(9) + 18, kMenuW + 10, kMenuH),
    box(5, 11, 196, matrixX(10) + 198, matrixRow(10) + 18, kMenuW + 10, kMenuH),
    box(5, 11, 199, matrixX(11) + 198, matrixRow(11) + 18, kMenuW + 10, kMenuH),

    // Voice buttons, two rows of eight.
    box(6, 12, 314, voiceX(0), voiceTop(0), kVoiceW, kVoiceH),
    box(6, 12, 315, voiceX(1), voiceTop(1), kVoiceW, kVoiceH),
    box(6, 12, 316, voiceX(2), voiceTop(2), kVoiceW, kVoiceH),
    box(6, 12, 317, voiceX(3), voiceTop(3), kVoiceW, kVoiceH),
    box(6, 12, 318, voiceX(4), voiceTop(4), kVoiceW, kVoiceH),
    box(6, 12, 319, voiceX(5), voiceTop(5), kVoiceW, kVoiceH),
    box(6, 12, 320, voiceX(6), voiceTop(6), kVoiceW, kVoiceH),
    box(6, 12, 321, voiceX(7), voiceTop(7), kVoiceW, kVoiceH),
    box(6, 12, 322, voiceX(8), voiceTop(8), kVoiceW, kVoiceH),
    box(6, 12, 323, voiceX(9), voiceTop(9), kVoiceW, kVoiceH),
    box(6, 12, 324, voiceX(10), voiceTop(10), kVoiceW, kVoiceH),
    box(6, 12, 325, voiceX(11), voiceTop(11), kVoiceW, kVoiceH),
    box(6, 12, 326, voiceX(12), voiceTop(12), kVoiceW, kVoiceH),
    box(6, 12, 327, voiceX(13), voiceTop(13), kVoiceW, kVoiceH),
    box(6, 12, 328, voiceX(14), voiceTop(14), kVoiceW, kVoiceH),
    box(6, 12, 329, voiceX(15), voiceTop(15), kVoiceW, kVoiceH),

    // Osc 2 level in the mixer: off, half, full.
    box(3, 13, 54, 712, kRow1 + 56, kLampW, kLampH),

    // Lamps: page switches, voice, LFO 1, oscillators, mixer, filter, LFO 2.
    box(1, 15, 330, 834, 25, kLampW, kLampH),
    box(1, 15, 331, 894, 25, kLampW, kLampH),
    box(3, 15, 10, 976, kRow1 + 44, kLampW, kLampH),
    box(3, 15, 14, 136, kRow1 + 44, kLampW, kLampH),
    box(3, 15, 332, kLfoCol[0], lfoShapes(kLfo1Title), kLampW, kLampH),
    box(3, 15, 333, kLfoCol[1], lfoShapes(kLfo1Title), kLampW, kLampH),
    box(3, 15, 334, kLfoCol[2], lfoShapes(kLfo1Title), kLampW, kLampH),
    box(3, 15, 335, kLfoCol[3], lfoShapes(kLfo1Title), kLampW, kLampH),
    box(3, 15, 25, kLfoCol[1], lfoFreq(kLfo1Title), kLampW, kLampH),
    box(3, 15, 26, kLfoCol[2], lfoFreq(kLfo1Title), kLampW, kLampH),
    box(3, 15, 27, kLfoCol[3], lfoFreq(kLfo1Title), kLampW, kLampH),
    box(3, 15, 29, kLfoCol[1], lfoPw(kLfo1Title), kLampW, kLampH),
    box(3, 15, 30, kLfoCol[2], lfoPw(kLfo1Title), kLampW, kLampH),
    box(3, 15, 42, 268, lampTop(kRow1, 0), kLampW, kLampH),
    box(3, 15, 43, 268, lampTop(kRow1, 1), kLampW, kLampH),
    box(3, 15, 45, 516, lampTop(kRow1, 0), kLampW, kLampH),
    box(3, 15, 46, 516, lampTop(kRow1, 1), kLampW, kLampH),
    box(3, 15, 48, 646, lampTop(kRow1, 0), kLampW, kLampH),
    box(3, 15, 49, 646, lampTop(kRow1, 1), kLampW, kLampH),
    box(3, 15, 53, 712, kRow1 + 28, kLampW, kLampH),
    box(3, 15, 56, 712, kRow1 + 84, kLampW, kLampH),
    box(3, 15, 78, 194, lampTop(kRow2, 0), kLampW, kLampH),
    box(3, 15, 57, 194, lampTop(kRow2, 1), kLampW, kLampH),
    box(3, 15, 58, 242, lampTop(kRow2, 0), kLampW, kLampH),
    box(6, 15, 336, kLfoCol[0], lfoShapes(kLfo2Title), kLampW, kLampH),
    box(6, 15, 337, kLfoCol[1], lfoShapes(kLfo2Title), kLampW, kLampH),
    box(6, 15, 338, kLfoCol[2], lfoShapes(kLfo2Title), kLampW, kLampH),
    box(6, 15, 339, kLfoCol[3], lfoShapes(kLfo2Title), kLampW, kLampH),
    box(6, 15, 36, kLfoCol[1], lfoFreq(kLfo2Title), kLampW, kLampH),
    box(6, 15, 37, kLfoCol[2], lfoFreq(kLfo2Title), kLampW, kLampH),
    box(6, 15, 38, kLfoCol[3], lfoFreq(kLfo2Title), kLampW, kLampH),
    box(6, 15, 68, kLfoCol[1], lfoPw(kLfo2Title), kLampW, kLampH),
    box(6, 15, 69, kLfoCol[2], lfoPw(kLfo2Title), kLampW, kLampH),

    // Voice mutes, under each voice button.
    box(6, 16, 70, voiceX(0), voiceTop(0) + 26, kMuteW, kMuteH),
    box(6, 16, 71, voiceX(1), voiceTop(1) + 26, kMuteW, kMuteH),
    box(6, 16, 72, voiceX(2), voiceTop(2) + 26, kMuteW, kMuteH),
    box(6, 16, 73, voiceX(3), voiceTop(3) + 26, kMuteW, kMuteH),
    box(6, 16, 74, voiceX(4), voiceTop(4) + 26, kMuteW, kMuteH),
    box(6, 16, 75, voiceX(5), voiceTop(5) + 26, kMuteW, kMuteH),
    box(6, 16, 76, voiceX(6), voiceTop(6) + 26, kMuteW, kMuteH),
    box(6, 16, 77, voiceX(7), voiceTop(7) + 26, kMuteW, kMuteH),
    box(6, 16, 170, voiceX(8), voiceTop(8) + 26, kMuteW, kMuteH),
    box(6, 16, 171, voiceX(9), voiceTop(9) + 26, kMuteW, kMuteH),
    box(6, 16, 172, voiceX(10), voiceTop(10) + 26, kMuteW, kMuteH),
    box(6, 16, 173, voiceX(11), voiceTop(11) + 26, kMuteW, kMuteH),
    box(6, 16, 174, voiceX(12), voiceTop(12) + 26, kMuteW, kMuteH),
    box(6, 16, 175, voiceX(13), voiceTop(13) + 26, kMuteW, kMuteH),
    box(6, 16, 176, voiceX(14), voiceTop(14) + 26, kMuteW, kMuteH),
    box(6, 16, 177, voiceX(15), voiceTop(15) + 26, kMuteW, kMuteH),

    // Switches: output saturation and limiter; chorale, double-x and
    // ensemble in their sections' title bars.
    box(2, 17, 108, 386, kFxRow2 + 30, kPillW, kPillH),
    box(2, 17, 79, 386, kFxRow2 + 74, kPillW, kPillH),
    box(2, 17, 83, 413, titleLamp(kFxRow1), kPillW, kPillH),
    box(2, 17, 55, 763, titleLamp(kFxRow1), kPillW, kPillH),
    box(2, 17, 97, 323, titleLamp(kFxRow2), kPillW, kPillH),
    // Effect on-lamps in the title bars, then the step LFO switches.
    box(2, 18, 119, 108, titleLamp(kFxRow1), kPillW, kPillH),
    box(2, 18, 109, 458, titleLamp(kFxRow1), kPillW, kPillH),
    box(2, 18, 129, 108, titleLamp(kFxRow2), kPillW, kPillH),
    box(2, 18, 344, 628, 638, kPillW, kPillH),
    box(2, 18, 345, 678, 638, kPillW, kPillH),
    box(2, 18, 118, 754, 670, kPillW, kPillH),
    box(2, 18, 220, 628, 658, kPillW, kPillH),
    box(2, 18, 221, 678, 658, kPillW, kPillH),

    // Header: voice mode menu and the part buttons.
    box(1, 19, 313, 752, 22, 68, 24),
    box(1, 19, 310, 620, 22, 60, 24),
    box(1, 19, 311, 686, 22, 60, 24),
    // Wheels: pitch, modulation, A/B mix.
    box(1, 20, 99, 14, 344, kWheelW, kWheelH),
    box(1, 20, 98, 58, 344, kWheelW, kWheelH),
    box(1, 20, 128, 36, 516, kWheelW, kWheelH),
    // Globals (bend ranges, transpose) and the step LFO soften knobs.
    box(2, 21, 80, 586, fxKnobTop(kFxRow2), kKnobEffect, kKnobEffect),
    box(2, 21, 81, 650, fxKnobTop(kFxRow2), kKnobEffect, kKnobEffect),
    box(2, 21, 32, 522, fxKnobTop(kFxRow2), kKnobEffect, kKnobEffect),
    box(2, 21, 222, 622, 677, kKnobEffect, kKnobEffect),
    box(2, 21, 223, 672, 677, kKnobEffect, kKnobEffect),
    // Patch and soundbank selectors.
    box(1, 22, 302, 266, 22, 340, 24),
    box(1, 22, 348, 16, 22, 240, 24),
    // The LFO 2 trimmer strip: a hint in part mode, labels in trimmer mode.
    box(6, 23, 340, 826, 458, 333, 54),
    box(6, 24, 341, 826, 458, 333, 54),
    // UI size, step count, step editor, split.
    box(1, 25, 307, 1016, 22, 76, 24),
    box(2, 26, 343, 726, 620, 84, 20),
    box(2, 27, 200, 108, 600, 448, 112),
    box(2, 28, 126, 714, fxKnobTop(kFxRow2), kKnobEffect, kKnobEffect),
    // Octave, semitone and the trimmer semitone knobs.
    box(3, 29, 41, 206, knobTop(kRow1), kKnob, kKnob),
    box(3, 30, 44, 334, knobTop(kRow1), kKnob, kKnob),
    box(4, 31, 159, 20, trimTop(kRow1), kKnobTrim, kKnobTrim),
    // Which LFO the step editor shows.
    box(2, 32, 346, 628, 618, kPillW, kPillH),
    box(2, 32, 347, 678, 618, kPillW, kPillH),
}};

}  // namespace calverine
