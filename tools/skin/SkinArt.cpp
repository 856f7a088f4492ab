#include "SkinArt.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "LayoutTable.h"
#include "SkinIds.h"
#include "UiSizes.h"

namespace calverine::skin {

using namespace gui;

namespace {

// The panel: a calm dark front, lighter section plates, one accent per
// section family (oscillators amber, filter and envelopes teal, modulation
// blue, effects rose, voices and trimmers green).
constexpr CColor kPanel = CColor::rgb(0x1b1d21);
constexpr CColor kHeader = CColor::rgb(0x141619);
constexpr CColor kSurface = CColor::rgb(0x25282d);
constexpr CColor kTitleBar = CColor::rgb(0x1e2125);
constexpr CColor kEdge = CColor::rgb(0x3a3e45);
constexpr CColor kWell = CColor::rgb(0x0f1113);
constexpr CColor kBody = CColor::rgb(0x30343a);
constexpr CColor kBodyLight = CColor::rgb(0x41464e);
constexpr CColor kText = CColor::rgb(0xd4d8de);
constexpr CColor kTextDim = CColor::rgb(0xa3aab4);
constexpr CColor kPointer = CColor::rgb(0xf4f1ea);
constexpr CColor kOsc = CColor::rgb(0xe8a33d);
constexpr CColor kFilter = CColor::rgb(0x3fb6a8);
constexpr CColor kMod = CColor::rgb(0x5aa0e6);
constexpr CColor kFx = CColor::rgb(0xe06c8a);
constexpr CColor kVoice = CColor::rgb(0x8cc26b);
constexpr CColor kNeutral = CColor::rgb(0xa3aab4);
constexpr CColor kLed = CColor::rgb(0xffb347);
constexpr CColor kMute = CColor::rgb(0xe5534b);

constexpr CColor alpha(CColor c, int a) { return {c.red, c.green, c.blue, std::uint8_t(a)}; }

constexpr double kLabelSize = 12;  // Medium pixels: 9.6 at Small
constexpr double kTitleSize = 12;

enum class Place { Below, Above, AboveLeft, Left, Right };
struct Label {
    int tag;
    const char* text;
    Place place;
};

// The label of each control, where it has one on the panel.
constexpr Label kLabels[] = {
    // Header and wheels.
    {348, "SOUNDBANK", Place::AboveLeft}, {302, "PATCH", Place::AboveLeft}, {310, "PART A", Place::Above},
    {311, "PART B", Place::Above}, {313, "MODE", Place::Above}, {330, "FX/STEPS", Place::Above},
    {331, "MATRIX", Place::Above}, {301, "LEVEL", Place::Above}, {307, "SIZE", Place::Above},
    {304, "BACK", Place::Left}, {305, "FRONT", Place::Left}, {99, "PITCH", Place::Below},
    {98, "MOD", Place::Below}, {128, "A/B MIX", Place::Below},
    // Part rows.
    {12, "TUNING", Place::Below}, {13, "PORTA", Place::Below}, {14, "UNISON", Place::Below},
    {41, "OCTAVE", Place::Below}, {42, "SAW", Place::Below}, {43, "PULSE", Place::Below},
    {44, "SEMI", Place::Below}, {15, "DETUNE", Place::Below}, {31, "X-MOD", Place::Below},
    {45, "SAW", Place::Below}, {46, "PULSE", Place::Below}, {47, "WIDTH", Place::Below},
    {48, "O2 SYNC", Place::Below}, {49, "F-ENV", Place::Below}, {53, "OSC 1", Place::Right},
    {54, "OSC 2", Place::Right}, {56, "NOISE", Place::Right}, {7, "VOLUME", Place::Below},
    {8, "SPREAD", Place::Below}, {10, "EFFECTS", Place::Below}, {50, "FREQ", Place::Below},
    {51, "RESO", Place::Below}, {52, "ENV MOD", Place::Below}, {78, "BP", Place::Below},
    {57, "4-POLE", Place::Below}, {58, "TRACK", Place::Below}, {59, "ATTACK", Place::Below},
    {60, "DECAY", Place::Below}, {61, "SUSTAIN", Place::Below}, {62, "RELEASE", Place::Below},
    {63, "ATTACK", Place::Below}, {64, "DECAY", Place::Below}, {65, "SUSTAIN", Place::Below},
    {66, "RELEASE", Place::Below}, {20, "RATE", Place::Below}, {24, "FREQ", Place::Below},
    {28, "PW", Place::Below}, {33, "RATE", Place::Below}, {35, "FREQ", Place::Below},
    {67, "PW", Place::Below},
    // Trimmers.
    {147, "PORTA", Place::Below}, {159, "SEMI", Place::Below}, {130, "FREQ", Place::Below},
    {152, "SCALE", Place::Below}, {131, "FREQ", Place::Below}, {153, "SCALE", Place::Below},
    {148, "DETUNE", Place::Below}, {158, "X-MOD", Place::Below}, {132, "WIDTH", Place::Below},
    {144, "VOLUME", Place::Below}, {145, "SPREAD", Place::Below}, {146, "PRESENCE", Place::Below},
    {133, "FREQ", Place::Below}, {134, "RESO", Place::Below}, {135, "ENV MOD", Place::Below},
    {154, "KEY", Place::Below}, {136, "ATTACK", Place::Below}, {137, "DECAY", Place::Below},
    {138, "SUSTAIN", Place::Below}, {139, "RELEASE", Place::Below}, {140, "ATTACK", Place::Below},
    {141, "DECAY", Place::Below}, {142, "SUSTAIN", Place::Below}, {143, "RELEASE", Place::Below},
    {149, "OFFSET", Place::Below}, {150, "FREQ", Place::Below}, {151, "PW", Place::Below},
    {155, "OFFSET", Place::Below}, {156, "FREQ", Place::Below}, {157, "PW", Place::Below},
    // Effects page.
    {90, "TIME", Place::Below}, {91, "COLOR", Place::Below}, {92, "SHIMMER", Place::Below},
    {93, "REGEN", Place::Below}, {94, "WIDTH", Place::Below}, {95, "DRY/WET", Place::Below},
    {84, "TIME", Place::Below}, {85, "FDBK", Place::Below}, {86, "OFFSET", Place::Below},
    {87, "LO CUT", Place::Below}, {88, "HI CUT", Place::Below}, {89, "DRY/WET", Place::Below},
    {16, "RATE", Place::Below}, {17, "LO CUT", Place::Below}, {18, "HI CUT", Place::Below},
    {19, "MIX", Place::Below}, {83, "CHORALE", Place::Left}, {55, "DOUBLE-X", Place::Left},
    {97, "ENSEMBLE", Place::Left}, {108, "VCA SAT", Place::Below}, {79, "LIMITER", Place::Below},
    {96, "ORGANIC", Place::Below}, {32, "TRANSP", Place::Below}, {80, "BEND UP", Place::Below},
    {81, "BEND DN", Place::Below}, {126, "SPLIT", Place::Below}, {343, "STEPS", Place::Above},
    {118, "ENV RETRIG", Place::Below},
};

const Label* labelOf(int tag) {
    for (const Label& l : kLabels)
        if (l.tag == tag) return &l;
    return nullptr;
}

struct Section {
    int x0, y0, x1, y1;
    const char* title;
    CColor accent;
    int titleIndent;  // room for an on-lamp at the title's left
};

constexpr Section kPartSections[] = {
    {0, 56, 190, 186, "VOICE", kOsc, 0},          {190, 56, 320, 186, "OSC 1", kOsc, 0},
    {320, 56, 570, 186, "OSC 2", kOsc, 0},        {570, 56, 700, 186, "PULSE WIDTH", kOsc, 0},
    {700, 56, 820, 186, "MIXER", kOsc, 0},        {820, 56, 1165, 186, "OUTPUT", kFilter, 0},
    {0, 186, 290, 316, "FILTER", kFilter, 0},     {290, 186, 545, 316, "FILTER ENVELOPE", kFilter, 0},
    {545, 186, 800, 316, "AMP ENVELOPE", kFilter, 0}, {800, 186, 1165, 316, "LFO 1", kMod, 0},
};
constexpr Section kTrimSections[] = {
    {0, 56, 190, 186, "VOICE TRIM", kVoice, 0},         {190, 56, 320, 186, "OSC 1 TRIM", kVoice, 0},
    {320, 56, 570, 186, "OSC 2 TRIM", kVoice, 0},       {570, 56, 700, 186, "PW TRIM", kVoice, 0},
    {700, 56, 820, 186, "MIXER", kVoice, 0},            {820, 56, 1165, 186, "OUTPUT TRIM", kVoice, 0},
    {0, 186, 290, 316, "FILTER TRIM", kVoice, 0},       {290, 186, 545, 316, "FILTER ENV TRIM", kVoice, 0},
    {545, 186, 800, 316, "AMP ENV TRIM", kVoice, 0},    {800, 186, 1165, 316, "LFO 1 TRIM", kVoice, 0},
};
constexpr Section kPage0Sections[] = {
    {100, 316, 450, 446, "REVERB", kFx, 34}, {450, 316, 800, 446, "DELAY", kFx, 34},
    {100, 446, 360, 576, "CHORUS", kFx, 34}, {360, 446, 440, 576, "MASTER", kFx, 0},
    {440, 446, 766, 576, "GLOBAL", kFx, 0},  {100, 576, 820, 725, "STEP LFO", kMod, 0},
};
constexpr Section kPanel6Sections[] = {
    {820, 316, 1165, 436, "LFO 2", kMod, 0},
    {820, 436, 1165, 516, "LFO 2 TRIM", kVoice, 0},
    {820, 516, 1165, 725, "VOICES", kVoice, 0},
};

// Drawing at one size: Medium coordinates in, floored pixels out.
class Art {
public:
    explicit Art(int sizeIndex) : index_(sizeIndex), size_(uiSizeOf(sizeIndex)), k_(size_.scale) {}

    int S(int v) const { return scaled(v, size_); }
    double F(double v) const { return v * k_; }
    CRect box(int x0, int y0, int x1, int y1) const { return {double(S(x0)), double(S(y0)), double(S(x1)), double(S(y1))}; }
    CRect rectOf(const LayoutRecord& r) const {
        const ScaledRect s = scaled(r, index_);
        return {double(s.left), double(s.top), double(s.right), double(s.bottom)};
    }
    int sizeIndex() const { return index_; }
    const UiSize& size() const { return size_; }

    std::vector<DrawnLabel>* record = nullptr;  // labels drawn, for the tests

    void text(CDrawContext& c, const std::string& s, const CRect& r, CColor ink, CColor plate,
              HoriAlign align = HoriAlign::Center, double px = kLabelSize, bool bold = false) {
        c.setFont(CFontDesc{"DejaVu Sans", F(px), bold});
        c.setFontColor(ink);
        c.drawString(s, r, align);
        if (record) record->push_back({s, r.offset(c.origin()), ink, plate});
    }

    void label(CDrawContext& c, const LayoutRecord& r, CColor plate = kSurface) {
        const Label* l = labelOf(r.tag);
        if (!l) return;
        const CRect b = rectOf(r);
        const double h = F(14), gap = F(2);
        CRect at;
        HoriAlign align = HoriAlign::Center;
        switch (l->place) {
        case Place::Below: at = {b.left - F(24), b.bottom + gap, b.right + F(24), b.bottom + gap + h}; break;
        case Place::Above: at = {b.left - F(24), b.top - gap - h - F(1), b.right + F(24), b.top - gap - F(1)}; break;
        case Place::AboveLeft:
            at = {b.left + F(2), b.top - gap - h - F(1), b.right, b.top - gap - F(1)};
            align = HoriAlign::Left;
            break;
        case Place::Left:
            at = {b.left - F(90), b.top, b.left - F(5), b.bottom};
            align = HoriAlign::Right;
            break;
        case Place::Right:
            at = {b.right + F(6), b.top, b.right + F(90), b.bottom};
            align = HoriAlign::Left;
            break;
        }
        text(c, l->text, at, kText, plate, align);
    }

    void fill(CDrawContext& c, const CRect& r, CColor color) {
        c.setFillColor(color);
        c.drawRect(r, DrawStyle::Filled);
    }

    void section(CDrawContext& c, const Section& s) {
        const double inset = std::floor(F(3));
        const CRect r = box(s.x0, s.y0, s.x1, s.y1).inset(inset, inset);
        const double radius = F(5);
        c.setFillColor(kSurface);
        c.setFrameColor(kEdge);
        c.setLineWidth(1);
        c.drawRoundRect(r, radius, DrawStyle::FilledAndStroked);
        // Title bar: a darker band closed by a hairline in the accent.
        const double bar = std::floor(F(18));
        c.saveState();
        c.clip(CRect{r.left + 1, r.top + 1, r.right - 1, r.top + bar});
        c.setFillColor(kTitleBar);
        c.drawRoundRect(r.inset(1, 1), radius, DrawStyle::Filled);
        c.restoreState();
        fill(c, CRect{r.left + 1, r.top + bar, r.right - 1, r.top + bar + std::max(1.0, std::floor(F(1.5)))},
             alpha(s.accent, 200));
        const CRect title{r.left + F(8 + s.titleIndent), r.top + 1, r.right - F(8), r.top + bar};
        text(c, s.title, title, s.accent, kTitleBar, HoriAlign::Left, kTitleSize, true);
    }

    // Labels of every control of `panel` that has one.
    void labels(CDrawContext& c, int panel) {
        for (const LayoutRecord& r : kLayout)
            if (r.panel == panel) label(c, r);
    }

    // The waveform pictures over the LFO shape lamps: sine, square, sample
    // and hold, steps.
    void shapeIcon(CDrawContext& c, int shape, const CRect& r) {
        std::vector<CPoint> p;
        const double x0 = r.left, w = r.width(), y0 = r.top, h = r.height();
        auto at = [&](double fx, double fy) { p.push_back({x0 + fx * w, y0 + fy * h}); };
        switch (shape) {
        case 0:
            for (int i = 0; i <= 24; ++i) at(i / 24.0, 0.5 - 0.45 * std::sin(i / 24.0 * 2 * M_PI));
            break;
        case 1: at(0, 0.9); at(0, 0.1); at(0.5, 0.1); at(0.5, 0.9); at(1, 0.9); at(1, 0.1); break;
        case 2: {
            const double v[] = {0.6, 0.15, 0.8, 0.35, 0.9};
            for (int i = 0; i < 5; ++i) { at(i / 5.0, v[i]); at((i + 1) / 5.0, v[i]); }
            break;
        }
        default: {
            const double v[] = {0.9, 0.7, 0.5, 0.3, 0.1};
            for (int i = 0; i < 5; ++i) { at(i / 5.0, v[i]); at((i + 1) / 5.0, v[i]); }
            break;
        }
        }
        c.setFrameColor(kText);
        c.setLineWidth(std::max(1.0, F(1.4)));
        for (std::size_t i = 1; i < p.size(); ++i) c.drawLine(p[i - 1], p[i]);
    }

    // The LFO panel's lamp grid: shape icons, target column titles and the
    // FREQ and PW row names. `title` is the bottom of the section's title bar.
    void lfoGrid(CDrawContext& c, int title) {
        constexpr int cols[4] = {986, 1030, 1074, 1118};
        for (int i = 0; i < 4; ++i)
            shapeIcon(c, i, box(cols[i] + 10, title + 3, cols[i] + 30, title + 13));
        const char* heads[3] = {"OSC 1", "OSC 2", "FILTER"};
        for (int i = 0; i < 3; ++i)
            text(c, heads[i], box(cols[i + 1] - 4, title + 34, cols[i + 1] + 44, title + 48), kTextDim, kSurface);
        text(c, "FREQ", box(cols[0] - 4, title + 49, cols[0] + 44, title + 67), kText, kSurface);
        text(c, "PW", box(cols[0] - 4, title + 71, cols[0] + 44, title + 89), kText, kSurface);
    }

    // --- Regions of the frame -------------------------------------------

    void header(CDrawContext& c) {
        fill(c, box(0, 0, 1165, 56), kHeader);
        fill(c, CRect{0, double(S(56)) - 1, double(S(1165)), double(S(56))}, kEdge);
        for (const LayoutRecord& r : kLayout)
            if (r.panel == 1 && r.kind != 20) label(c, r, kHeader);
    }

    void partRows(CDrawContext& c, bool trimmer) {
        fill(c, box(0, 56, 1165, 316), kPanel);
        for (const Section& s : trimmer ? kTrimSections : kPartSections) section(c, s);
        labels(c, trimmer ? 4 : 3);
        if (!trimmer) {
            lfoGrid(c, 207);
            // The maker's plate in the output section.
            text(c, "CALVERINE", box(1034, 94, 1156, 120), kText, kSurface, HoriAlign::Center, 17, true);
            text(c, "POLY SYNTHESIZER", box(1034, 120, 1156, 136), kTextDim, kSurface, HoriAlign::Center, 12);
            text(c, "Brindle Audio", box(1034, 140, 1156, 156), kTextDim, kSurface, HoriAlign::Center, 12);
        }
    }

    void wheels(CDrawContext& c) {
        fill(c, box(0, 316, 100, 725), kPanel);
        section(c, Section{0, 316, 100, 725, "WHEELS", kNeutral, 0});
        for (const LayoutRecord& r : kLayout)
            if (r.kind == 20) label(c, r);
    }

    void page0(CDrawContext& c) {
        fill(c, box(100, 316, 820, 725), kPanel);
        for (const Section& s : kPage0Sections) section(c, s);
        labels(c, 2);
        // The step LFO table: columns LFO 1 and LFO 2, one row per switch.
        text(c, "LFO 1", box(618, 600, 666, 616), kTextDim, kSurface);
        text(c, "LFO 2", box(668, 600, 716, 616), kTextDim, kSurface);
        const char* rows[4] = {"SHOW", "SYNC", "1-SHOT", "SOFTEN"};
        const int tops[4] = {618, 638, 658, 677};
        const int heights[4] = {14, 14, 14, 40};
        for (int i = 0; i < 4; ++i)
            text(c, rows[i], box(560, tops[i], 622, tops[i] + heights[i]), kText, kSurface, HoriAlign::Right);
    }

    void matrixPage(CDrawContext& c) {
        fill(c, box(100, 316, 820, 725), kPanel);
        section(c, Section{100, 316, 820, 725, "MODULATION MATRIX", kMod, 0});
        // Every other slot row a shade lighter, both halves.
        for (int row = 0; row < 6; row += 2)
            for (int x : {110, 460})
                fill(c, box(x, 368 + 56 * row + 6, x + 350, 368 + 56 * row + 50), alpha(kBodyLight, 60));
        fill(c, box(459, 344, 460, 702), kEdge);
    }

    void browserPage(CDrawContext& c) {
        fill(c, box(100, 316, 820, 725), kPanel);
        section(c, Section{100, 316, 820, 725, "PATCH BROWSER", kNeutral, 0});
        fill(c, box(106, 340, 814, 370), kTitleBar);
        const int cols[4] = {106, 276, 466, 814};
        const char* heads[3] = {"BANK", "CATEGORY", "PATCH"};
        for (int i = 0; i < 3; ++i) {
            text(c, heads[i], box(cols[i] + 8, 372, cols[i + 1], 390), kTextDim, kSurface, HoriAlign::Left);
            if (i) fill(c, box(cols[i], 372, cols[i] + 1, 718), kEdge);
        }
        for (int row = 0; row < 16; row += 2) fill(c, box(106, 392 + 20 * row, 814, 412 + 20 * row), alpha(kBodyLight, 50));
    }

    void panel6(CDrawContext& c) {
        fill(c, box(820, 316, 1165, 725), kPanel);
        for (const Section& s : kPanel6Sections) section(c, s);
        for (const LayoutRecord& r : kLayout)
            if (r.panel == 6 && r.kind == 5) label(c, r);
        lfoGrid(c, 337);
    }

    void backSide(CDrawContext& c) {
        fill(c, box(100, 56, 1165, 725), kPanel);
        const Section parts[] = {
            {100, 56, 1165, 160, "CALVERINE", kNeutral, 0},
            {100, 160, 632, 600, "MIDI LEARN", kMod, 0},
            {632, 160, 1165, 600, "LOCKED PARAMETERS", kFx, 0},
            {100, 600, 1165, 725, "DATA FOLDER", kVoice, 0},
        };
        for (const Section& s : parts) section(c, s);
    }

    void frame(CDrawContext& c) {
        header(c);
        partRows(c, false);
        wheels(c);
        page0(c);
        panel6(c);
    }

private:
    int index_;
    const UiSize& size_;
    double k_;
};

using Painter = std::function<void(CDrawContext&)>;

// An image of `w` x `h` pixels.
std::unique_ptr<COffscreenContext> canvas(double w, double h) {
    return COffscreenContext::create(std::max(1, int(w)), std::max(1, int(h)));
}

// The part of the frame in the Medium box (x0, y0)-(x1, y1), drawn by
// `paint` in frame coordinates.
std::unique_ptr<COffscreenContext> plate(Art& art, int x0, int y0, int x1, int y1, const Painter& paint) {
    auto image = canvas(art.S(x1) - art.S(x0), art.S(y1) - art.S(y0));
    CDrawContext& c = image->context();
    c.translate({-double(art.S(x0)), -double(art.S(y0))});
    paint(c);
    return image;
}

// --- Knobs ------------------------------------------------------------

struct KnobLook {
    CColor accent;
    bool bipolar;
    int ticks;      // step marks on the scale (0: none)
    int tickEvery;  // a mark every n steps
};

KnobLook knobLook(int kind) {
    switch (kind) {
    case 5: return {kOsc, false, 0, 1};
    case 6: return {kVoice, true, 0, 1};
    case 7: return {kFx, false, 0, 1};
    case 8: return {kFx, false, 15, 1};
    case 9: return {kMod, true, 0, 1};
    case 29: return {kOsc, false, 4, 1};
    case 30: return {kOsc, false, 64, 12};
    case 31: return {kVoice, true, 49, 12};
    default: return {kFx, false, 0, 1};
    }
}

constexpr double kStart = 135, kSweep = 270;  // 7:30 round to 4:30

CPoint polar(CPoint c, double radius, double degrees) {
    const double a = degrees * M_PI / 180;
    return {c.x + radius * std::cos(a), c.y + radius * std::sin(a)};
}

// One knob of diameter d at `origin`, value 0..1; `pointer` false draws the
// dial face alone (the code-drawn knobs put their own arc and pointer on it).
void knob(CDrawContext& c, CPoint origin, double d, double value, const KnobLook& look, bool pointer = true) {
    const CPoint ctr{origin.x + d / 2, origin.y + d / 2};
    const double lw = std::max(2.0, d * 0.075);
    const double ring = d / 2 - lw / 2 - 0.5;
    const CRect arcBox{ctr.x - ring, ctr.y - ring, ctr.x + ring, ctr.y + ring};
    c.setLineWidth(lw);
    c.setFrameColor(kWell);
    c.drawArc(arcBox.inset(-lw / 2, -lw / 2), kStart, kStart + kSweep, DrawStyle::Stroked);
    const double angle = kStart + kSweep * value;
    if (pointer) {
        const double from = look.bipolar ? 270 : kStart;
        c.setFrameColor(look.accent);
        if (std::fabs(angle - from) > 0.5)
            c.drawArc(arcBox.inset(-lw / 2, -lw / 2), std::min(from, angle), std::max(from, angle), DrawStyle::Stroked);
    }
    // Step marks cut the scale into its steps.
    if (look.ticks > 1) {
        c.setFillColor(look.ticks <= 16 ? kText : kTextDim);
        const double dot = std::max(1.5, lw * 0.45);
        for (int i = 0; i < look.ticks; i += look.tickEvery) {
            const CPoint p = polar(ctr, ring, kStart + kSweep * i / (look.ticks - 1));
            c.drawEllipse(CRect{p.x - dot / 2, p.y - dot / 2, p.x + dot / 2, p.y + dot / 2});
        }
    }
    // The body: a dark skirt, a lighter bevel and a cap.
    const double rb = d * 0.335;
    auto disc = [&](double r, CColor col) {
        c.setFillColor(col);
        c.drawEllipse(CRect{ctr.x - r, ctr.y - r, ctr.x + r, ctr.y + r});
    };
    disc(rb + std::max(1.0, d * 0.02), CColor::rgb(0x0b0c0e));
    disc(rb, kBodyLight);
    c.setFillColor(CColor::rgb(0x2b2f35));
    const double off = rb * 0.08;
    c.drawEllipse(CRect{ctr.x - rb * 0.86, ctr.y - rb * 0.86 + off, ctr.x + rb * 0.86, ctr.y + rb * 0.86 + off});
    disc(rb * 0.82, kBody);
    if (pointer) {
        c.setFrameColor(kPointer);
        c.setLineWidth(std::max(1.5, d * 0.06));
        c.drawLine(polar(ctr, rb * 0.2, angle), polar(ctr, rb * 0.95, angle));
    } else {
        // Small scale marks around the face.
        c.setFillColor(kTextDim);
        for (int i = 0; i <= 10; ++i) {
            const CPoint p = polar(ctr, ring, kStart + kSweep * i / 10);
            const double dot = std::max(1.2, lw * 0.35);
            c.drawEllipse(CRect{p.x - dot / 2, p.y - dot / 2, p.x + dot / 2, p.y + dot / 2});
        }
    }
}

std::unique_ptr<COffscreenContext> filmstrip(int kind, int medium, const Art& art) {
    const int d = art.S(medium);
    const int frames = knobFrames(kind);
    auto image = canvas(d, double(d) * frames);
    const KnobLook look = knobLook(kind);
    for (int i = 0; i < frames; ++i)
        knob(image->context(), CPoint{0, double(d) * i}, d, frames > 1 ? double(i) / (frames - 1) : 0, look);
    return image;
}

std::unique_ptr<COffscreenContext> face(int medium, const Art& art, CColor accent) {
    const int d = art.S(medium);
    auto image = canvas(d, d);
    knob(image->context(), {0, 0}, d, 0, KnobLook{accent, false, 0, 1}, false);
    return image;
}

// --- Buttons ----------------------------------------------------------

enum class Face { Lamp, Mute, Toggle, Led, Voice, Part, Radio, Mixer, Square };

// One state of a button of `w` x `h` at `top`; `level` 0 off, 1 half, 2 on.
void button(CDrawContext& c, Face face, double w, double h, double top, int level, const Art& art) {
    const CRect r{0.5, top + 0.5, w - 0.5, top + h - 0.5};
    const double radius = std::min(art.F(4), h / 3);
    const bool on = level > 0;
    auto body = [&](CColor fillColor) {
        c.setFillColor(fillColor);
        c.setFrameColor(CColor::rgb(0x0b0c0e));
        c.setLineWidth(1);
        c.drawRoundRect(r, radius, DrawStyle::FilledAndStroked);
        // A highlight along the top edge.
        c.setFillColor(alpha(CColor::rgb(0xffffff), 22));
        c.drawRect(CRect{r.left + radius / 2, r.top + 1, r.right - radius / 2, r.top + 1 + std::max(1.0, art.F(1))});
    };
    auto led = [&](const CRect& bar, CColor color, int lit) {
        if (lit == 0) {
            c.setFillColor(CColor::rgb(0x15171a));
            c.drawRoundRect(bar, bar.height() / 2, DrawStyle::Filled);
            return;
        }
        const int glow = lit == 2 ? 90 : 40;
        c.setFillColor(alpha(color, glow));
        c.drawRoundRect(bar.inset(-art.F(2), -art.F(2)), bar.height(), DrawStyle::Filled);
        c.setFillColor(lit == 2 ? color : alpha(color, 150));
        c.drawRoundRect(bar, bar.height() / 2, DrawStyle::Filled);
    };
    const CPoint mid{w / 2, top + h / 2};
    switch (face) {
    case Face::Lamp:
    case Face::Mixer: {
        body(on ? CColor::rgb(0x3a3f46) : kBody);
        const double bw = w * 0.5, bh = std::max(2.0, art.F(4));
        led(CRect{mid.x - bw / 2, mid.y - bh / 2, mid.x + bw / 2, mid.y + bh / 2}, kLed, level);
        break;
    }
    case Face::Mute: {
        body(on ? CColor::rgb(0x4a2624) : kBody);
        c.setFont(CFontDesc{"DejaVu Sans", art.F(11.5), false});
        c.setFontColor(on ? CColor::rgb(0xffd6d2) : kTextDim);
        c.drawString("MUTE", CRect{0, top, w, top + h});
        break;
    }
    case Face::Toggle: {
        c.setFillColor(on ? alpha(kFx, 255) : kWell);
        c.setFrameColor(CColor::rgb(0x0b0c0e));
        c.setLineWidth(1);
        c.drawRoundRect(r, r.height() / 2, DrawStyle::FilledAndStroked);
        const double dd = h - art.F(4);
        const double x = on ? w - dd - art.F(2) : art.F(2);
        c.setFillColor(on ? kPointer : kBodyLight);
        c.drawEllipse(CRect{x, top + art.F(2), x + dd, top + art.F(2) + dd});
        break;
    }
    case Face::Led: {
        c.setFillColor(kWell);
        c.setFrameColor(CColor::rgb(0x0b0c0e));
        c.drawRoundRect(r, r.height() / 2, DrawStyle::FilledAndStroked);
        led(r.inset(art.F(3), art.F(3.5)), CColor::rgb(0x7fe07a), level);
        break;
    }
    case Face::Voice:
    case Face::Part: {
        body(on ? CColor::rgb(0x3f4a36) : kBody);
        const double bh = std::max(2.0, art.F(3));
        led(CRect{r.left + art.F(5), r.bottom - bh - art.F(3), r.right - art.F(5), r.bottom - art.F(3)},
            face == Face::Voice ? kVoice : kOsc, level);
        break;
    }
    case Face::Radio: {
        body(kBody);
        const double dd = h - art.F(6);
        const CRect dot{mid.x - dd / 2, mid.y - dd / 2, mid.x + dd / 2, mid.y + dd / 2};
        c.setFillColor(on ? kMod : CColor::rgb(0x15171a));
        c.drawEllipse(dot);
        break;
    }
    case Face::Square: {
        body(kBody);
        const double dd = std::min(w, h) * 0.45;
        led(CRect{mid.x - dd / 2, mid.y - dd / 2, mid.x + dd / 2, mid.y + dd / 2}, kLed, level);
        break;
    }
    }
}

std::unique_ptr<COffscreenContext> buttons(Face face, int mw, int mh, int states, const Art& art) {
    const double w = art.S(mw), h = art.S(mh);
    auto image = canvas(w, h * states);
    for (int i = 0; i < states; ++i) button(image->context(), face, w, h, h * i, states == 3 ? i : i * 2, art);
    return image;
}

// --- Other controls ---------------------------------------------------

std::unique_ptr<COffscreenContext> wheel(const Art& art) {
    const double w = art.S(28), h = art.S(128);
    const int frames = kWheelFrames;
    auto image = canvas(w, h * frames);
    CDrawContext& c = image->context();
    for (int i = 0; i < frames; ++i) {
        const double v = double(i) / (frames - 1);
        const double top = h * i;
        c.setFillColor(kWell);
        c.drawRoundRect(CRect{0, top, w, top + h}, art.F(5), DrawStyle::Filled);
        const CRect drum{art.F(3), top + art.F(3), w - art.F(3), top + h - art.F(3)};
        c.setFillColor(CColor::rgb(0x2c3036));
        c.drawRoundRect(drum, art.F(3), DrawStyle::Filled);
        // Ridges that roll with the value.
        const double pitch = art.F(6);
        const double phase = std::fmod(v * drum.height() * 1.5, pitch);
        c.saveState();
        c.clip(drum);
        for (double y = drum.top + phase; y < drum.bottom; y += pitch) {
            c.setFillColor(CColor::rgb(0x1c1f23));
            c.drawRect(CRect{drum.left, y, drum.right, y + std::max(1.0, art.F(1.2))});
            c.setFillColor(CColor::rgb(0x3a3f46));
            c.drawRect(CRect{drum.left, y + std::max(1.0, art.F(1.2)), drum.right, y + 2 * std::max(1.0, art.F(1.2))});
        }
        // Shade towards both ends, as a drum turning away.
        for (int band = 0; band < 6; ++band) {
            const double bh = drum.height() * 0.04;
            c.setFillColor(alpha(CColor::rgb(0x000000), 120 - band * 20));
            c.drawRect(CRect{drum.left, drum.top + band * bh, drum.right, drum.top + (band + 1) * bh});
            c.drawRect(CRect{drum.left, drum.bottom - (band + 1) * bh, drum.right, drum.bottom - band * bh});
        }
        c.restoreState();
        const double mh = std::max(3.0, art.F(5));
        const double y = drum.bottom - mh - v * (drum.height() - mh);
        c.setFillColor(kPointer);
        c.drawRect(CRect{drum.left + 1, y, drum.right - 1, y + mh});
    }
    return image;
}

std::unique_ptr<COffscreenContext> meter(const Art& art) {
    const double w = art.S(58), h = art.S(20);
    auto image = canvas(w * 2, h);
    CDrawContext& c = image->context();
    const int segments = 14;
    for (int strip = 0; strip < 2; ++strip) {
        const double x0 = w * strip;
        c.setFillColor(kWell);
        c.drawRoundRect(CRect{x0, 0, x0 + w, h}, art.F(3), DrawStyle::Filled);
        const double sw = (w - art.F(4)) / segments;
        for (int i = 0; i < segments; ++i) {
            const CColor lit = i < 10 ? kVoice : i < 12 ? kOsc : kMute;
            const CColor color = strip ? lit : alpha(lit, 45);
            c.setFillColor(color);
            for (int ch = 0; ch < 2; ++ch) {
                const double y = art.F(3) + ch * (h - art.F(6)) / 2;
                c.drawRect(CRect{x0 + art.F(2) + i * sw + 0.5, y + 0.5, x0 + art.F(2) + (i + 1) * sw - 0.5,
                                 y + (h - art.F(6)) / 2 - 0.5});
            }
        }
    }
    return image;
}

// A field: a dark well with an edge; `arrow` adds the menu's down arrow.
std::unique_ptr<COffscreenContext> field(int mw, int mh, bool arrow, const Art& art) {
    const double w = art.S(mw), h = art.S(mh);
    auto image = canvas(w, h);
    CDrawContext& c = image->context();
    c.setFillColor(kWell);
    c.setFrameColor(kEdge);
    c.setLineWidth(1);
    c.drawRoundRect(CRect{0, 0, w, h}, art.F(3), DrawStyle::FilledAndStroked);
    if (arrow) {
        const double s = h * 0.22, x = w - h * 0.55, y = h / 2;
        c.setFillColor(kTextDim);
        c.drawPolygon({{x - s, y - s / 2}, {x + s, y - s / 2}, {x, y + s * 0.7}});
    }
    return image;
}

std::unique_ptr<COffscreenContext> barWell(const Art& art) {
    const double w = art.S(448), h = art.S(112);
    auto image = canvas(w, h);
    CDrawContext& c = image->context();
    c.setFillColor(kWell);
    c.setFrameColor(kEdge);
    c.setLineWidth(1);
    c.drawRoundRect(CRect{0, 0, w, h}, art.F(3), DrawStyle::FilledAndStroked);
    c.setFillColor(alpha(kMod, 70));
    c.drawRect(CRect{1, std::floor(h / 2), w - 1, std::floor(h / 2) + 1});
    c.setFillColor(alpha(kText, 18));
    for (int i = 1; i < 4; ++i) c.drawRect(CRect{1, std::floor(h * i / 4), w - 1, std::floor(h * i / 4) + 1});
    for (int i = 1; i < 8; ++i) c.drawRect(CRect{std::floor(w * i / 8), 1, std::floor(w * i / 8) + 1, h - 1});
    return image;
}

std::unique_ptr<COffscreenContext> link(Art& art) {
    const double w = art.S(48), h = art.S(50);
    auto image = canvas(w, h);
    CDrawContext& c = image->context();
    c.setFillColor(kPanel);
    c.drawRect(CRect{0, 0, w, h});
    art.text(c, "Brindle", CRect{0, h * 0.08, w, h * 0.5}, kText, kPanel, HoriAlign::Center, 12, true);
    art.text(c, "AUDIO", CRect{0, h * 0.5, w, h * 0.85}, kTextDim, kPanel, HoriAlign::Center, 11.5);
    return image;
}

// A transparent sheet of texts laid over controls.
std::unique_ptr<COffscreenContext> sheet(Art& art, int tag, const std::function<void(CDrawContext&, CPoint)>& paint) {
    for (const LayoutRecord& r : kLayout)
        if (r.tag == tag) {
            const CRect b = art.rectOf(r);
            auto image = canvas(b.width(), b.height());
            CDrawContext& c = image->context();
            c.translate({-b.left, -b.top});
            paint(c, b.topLeft());
            return image;
        }
    return canvas(1, 1);
}

std::unique_ptr<COffscreenContext> voicePlate(Art& art) {
    return sheet(art, 312, [&](CDrawContext& c, CPoint) {
        for (const LayoutRecord& r : kLayout)
            if (r.kind == 12) {
                const CRect b = art.rectOf(r);
                art.text(c, std::to_string(r.tag - 313), CRect{b.left, b.top - art.F(17), b.right, b.top - art.F(3)},
                         kText, kSurface);
            }
    });
}

std::unique_ptr<COffscreenContext> matrixPlate(Art& art) {
    return sheet(art, 342, [&](CDrawContext& c, CPoint) {
        for (int half = 0; half < 2; ++half) {
            const int x = half ? 466 : 116;
            art.text(c, "SOURCE", art.box(x + 22, 342, x + 152, 362), kTextDim, kSurface);
            art.text(c, "AMOUNT", art.box(x + 150, 342, x + 198, 362), kTextDim, kSurface);
            art.text(c, "DESTINATION", art.box(x + 198, 342, x + 338, 362), kTextDim, kSurface);
            for (int row = 0; row < 6; ++row) {
                const int y = 368 + 56 * row + 18;
                art.text(c, std::to_string(half * 6 + row + 1), art.box(x - 4, y, x + 20, y + 20), kText, kSurface,
                         HoriAlign::Right);
            }
        }
    });
}

std::unique_ptr<COffscreenContext> trimHint(Art& art) {
    return sheet(art, 340, [&](CDrawContext& c, CPoint) {
        art.text(c, "Select a voice below to trim it", art.box(826, 458, 1159, 512), kTextDim, kSurface);
    });
}

std::unique_ptr<COffscreenContext> trimLabels(Art& art) {
    return sheet(art, 341, [&](CDrawContext& c, CPoint) {
        for (const LayoutRecord& r : kLayout)
            if (r.panel == 6 && r.kind == 6) art.label(c, r);
    });
}

std::unique_ptr<COffscreenContext> icons(const Art& art) {
    const double s = art.S(20);
    auto image = canvas(s * 4, s * 2);
    CDrawContext& c = image->context();
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 4; ++i) {
            const double x = s * i, y = s * row;
            c.setFillColor(row ? kBodyLight : kBody);
            c.drawRoundRect(CRect{x + 1, y + 1, x + s - 1, y + s - 1}, art.F(3), DrawStyle::Filled);
            c.setFillColor(kText);
            const double m = s * 0.3;
            if (i == 0) c.drawPolygon({{x + s - m, y + m}, {x + s - m, y + s - m}, {x + m, y + s / 2}});
            if (i == 1) c.drawPolygon({{x + m, y + m}, {x + m, y + s - m}, {x + s - m, y + s / 2}});
            if (i == 2) {  // load: an arrow into a tray
                c.drawPolygon({{x + m, y + s / 2}, {x + s - m, y + s / 2}, {x + s / 2, y + s - m}});
                c.drawRect(CRect{x + s / 2 - 1, y + m * 0.7, x + s / 2 + 1, y + s / 2});
            }
            if (i == 3)  // browser: three lines
                for (int l = 0; l < 3; ++l)
                    c.drawRect(CRect{x + m, y + m + l * s * 0.15, x + s - m, y + m + l * s * 0.15 + std::max(1.0, art.F(1.5))});
        }
    return image;
}

std::unique_ptr<COffscreenContext> solid(int mw, int mh, int states, CColor base, CColor second, const Art& art) {
    const double w = art.S(mw), h = art.S(mh);
    auto image = canvas(w, h * states);
    CDrawContext& c = image->context();
    for (int i = 0; i < states; ++i) {
        c.setFillColor(i ? second : base);
        c.setFrameColor(kEdge);
        c.setLineWidth(1);
        c.drawRoundRect(CRect{0, h * i, w, h * (i + 1)}, std::min(art.F(3), h / 3), DrawStyle::FilledAndStroked);
    }
    return image;
}

std::unique_ptr<COffscreenContext> star(const Art& art) {
    const double s = art.S(14);
    auto image = canvas(s, s * 2);
    CDrawContext& c = image->context();
    for (int i = 0; i < 2; ++i) {
        std::vector<CPoint> p;
        for (int j = 0; j < 10; ++j) p.push_back(polar({s / 2, s * i + s * 0.53}, j % 2 ? s * 0.2 : s * 0.48, -90 + 36 * j));
        c.setFillColor(i ? kOsc : CColor::rgb(0x4b5059));
        c.drawPolygon(p);
    }
    return image;
}

std::unique_ptr<COffscreenContext> mark(const Art& art, bool cross) {
    const double s = art.S(cross ? 20 : 12);
    auto image = canvas(s, s * (cross ? 2 : 1));
    CDrawContext& c = image->context();
    c.setLineWidth(std::max(1.5, art.F(2)));
    for (int i = 0; i < (cross ? 2 : 1); ++i) {
        const double y = s * i, m = s * 0.28;
        c.setFrameColor(i ? kPointer : kText);
        if (cross) {
            c.setFillColor(i ? kBodyLight : kBody);
            c.drawRoundRect(CRect{1, y + 1, s - 1, y + s - 1}, art.F(3), DrawStyle::Filled);
            c.drawLine({m, y + m}, {s - m, y + s - m});
            c.drawLine({s - m, y + m}, {m, y + s - m});
        } else {
            c.drawLine({s * 0.15, s * 0.55}, {s * 0.4, s * 0.8});
            c.drawLine({s * 0.4, s * 0.8}, {s * 0.85, s * 0.2});
        }
    }
    return image;
}

}  // namespace

std::map<int, std::unique_ptr<COffscreenContext>> drawImages(int sizeIndex) {
    Art art(sizeIndex);
    std::map<int, std::unique_ptr<COffscreenContext>> m;
    m[kBackground] = plate(art, 0, 0, 1165, 725, [&](CDrawContext& c) { art.frame(c); });
    m[kKnobLarge] = filmstrip(5, 48, art);
    m[kKnobTrimmer] = filmstrip(6, 36, art);
    m[kKnobEffect] = filmstrip(7, 40, art);
    m[kKnobDelayTime] = filmstrip(8, 40, art);
    m[kKnobSmall] = filmstrip(9, 32, art);
    m[kKnobOctave] = filmstrip(29, 48, art);
    m[kKnobSemitone] = filmstrip(30, 48, art);
    m[kKnobSemi24] = filmstrip(31, 36, art);
    m[kKnobFaceBend] = face(40, art, kFx);
    m[kKnobFaceSplit] = face(40, art, kFx);
    m[kButtonLamp] = buttons(Face::Lamp, 40, 18, 2, art);
    m[kButtonMute] = buttons(Face::Mute, 36, 16, 2, art);
    m[kButtonSwitch] = buttons(Face::Toggle, 28, 14, 2, art);
    m[kButtonEffectOn] = buttons(Face::Led, 28, 14, 2, art);
    m[kButtonVoice] = buttons(Face::Voice, 36, 22, 2, art);
    m[kButtonPart] = buttons(Face::Part, 60, 24, 2, art);
    m[kButtonPick] = buttons(Face::Radio, 28, 14, 2, art);
    m[kButtonMixer] = buttons(Face::Mixer, 40, 18, 3, art);
    m[kButtonBackside] = buttons(Face::Square, 18, 16, 2, art);
    m[kLink] = link(art);
    m[kMeter] = meter(art);
    m[kWheel] = wheel(art);
    m[kPresetSelector] = field(340, 24, false, art);
    m[kSizeMenu] = field(76, 24, true, art);
    m[kStepsMenu] = field(84, 20, true, art);
    m[kBarDisplay] = barWell(art);
    m[kMatrixMenu] = field(130, 20, true, art);
    m[kVoicePlate] = voicePlate(art);
    m[kMatrixPlate] = matrixPlate(art);
    m[kTrimHint] = trimHint(art);
    m[kTrimLabels] = trimLabels(art);
    m[kPlatePage0] = plate(art, 100, 316, 820, 725, [&](CDrawContext& c) { art.page0(c); });
    m[kPlateMatrix] = plate(art, 100, 316, 820, 725, [&](CDrawContext& c) { art.matrixPage(c); });
    m[kPlateTrimmer] = plate(art, 0, 56, 1165, 316, [&](CDrawContext& c) { art.partRows(c, true); });
    m[kPlateBrowser] = plate(art, 100, 316, 820, 725, [&](CDrawContext& c) { art.browserPage(c); });
    m[kPlateBack] = plate(art, 100, 56, 1165, 725, [&](CDrawContext& c) { art.backSide(c); });
    m[kPlatePart] = plate(art, 0, 56, 1165, 316, [&](CDrawContext& c) { art.partRows(c, false); });
    m[kValueDisplay] = solid(72, 20, 1, CColor::rgb(0x101214), kWell, art);
    m[kSelectorButtons] = icons(art);
    m[kMidiLamp] = buttons(Face::Square, 10, 10, 2, art);
    m[kStepMarker] = solid(8, 8, 1, kMod, kMod, art);
    m[kMessagePlate] = solid(360, 140, 1, kSurface, kSurface, art);
    m[kPopupBody] = solid(160, 20, 1, CColor::rgb(0x2a2d33), kSurface, art);
    m[kBrowserBar] = solid(720, 30, 1, kTitleBar, kTitleBar, art);
    m[kBrowserRow] = solid(340, 20, 2, kSurface, CColor::rgb(0x3d6ea8), art);
    m[kScrollTrack] = solid(10, 100, 1, kWell, kWell, art);
    m[kScrollThumb] = solid(10, 40, 1, kBodyLight, kBodyLight, art);
    m[kSearchField] = field(160, 20, false, art);
    m[kCloseButton] = mark(art, true);
    m[kFavouriteStar] = star(art);
    m[kGeneticsPanel] = solid(720, 84, 1, kSurface, kSurface, art);
    m[kBrowserButton] = solid(90, 20, 2, kBody, kBodyLight, art);
    m[kCheckMark] = mark(art, false);
    return m;
}

std::vector<DrawnLabel> backgroundLabels(int sizeIndex) {
    Art art(sizeIndex);
    std::vector<DrawnLabel> labels;
    art.record = &labels;
    auto scratch = canvas(art.size().width, art.size().height);
    art.frame(scratch->context());
    return labels;
}

const char* const kFontGlyphs[92] = {
    " ", "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T",
    "U", "V", "W", "X", "Y", "Z", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o",
    "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0",
    "!", "@", "#", "$", "%", "^", "&", "*", "(", ")", "_", "-", "=", "+", "[", "]", "{", "}", ";", ":", "\\",
    "|", "/", ".", ",", "<", ">", "'", "\"",
};

std::unique_ptr<COffscreenContext> drawFontImage() {
    constexpr int kWidth = 2500, kHeight = 64;
    auto image = COffscreenContext::create(kWidth, kHeight);
    CDrawContext& c = image->context();
    // The largest size whose 92 glyphs, one marker column each, fit the width.
    double px = 44;
    auto widthAt = [&](double size) {
        c.setFont(CFontDesc{"DejaVu Sans", size, false});
        int total = 0;
        for (const char* g : kFontGlyphs) total += int(std::ceil(c.stringWidth(g))) + 2;
        return total;
    };
    while (px > 20 && widthAt(px) > kWidth) px -= 1;
    c.setFont(CFontDesc{"DejaVu Sans", px, false});
    c.setFontColor(CColor::rgb(0xffffff));
    int x = 0;
    for (const char* g : kFontGlyphs) {
        const int w = int(std::ceil(c.stringWidth(g))) + 1;
        c.saveState();
        c.clip(CRect{double(x), 1, double(x + w), double(kHeight)});  // row 0 holds the markers only
        c.drawString(g, CRect{double(x), 2, double(x + w), double(kHeight)}, HoriAlign::Left);
        c.restoreState();
        x += w;
        c.setFillColor(CColor::rgb(0xffffff));
        c.drawRect(CRect{double(x), 0, double(x + 1), 1});
        x += 1;
    }
    return image;
}

}  // namespace calverine::skin
