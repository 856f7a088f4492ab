// Lays out every control of the widget toolkit in one frame, with a menu
// open, a text field being edited and a message box beside, and writes the
// picture as a PNG.
//
// Usage: calverine-gallery OUTPUT.png
#include <cmath>
#include <cstdio>
#include <string>

#include "CAnimKnob.h"
#include "CFrame.h"
#include "CMultiStateSwitch.h"
#include "COnOffButton.h"
#include "COptionMenu.h"
#include "CParamDisplay.h"
#include "CScrollView.h"
#include "CStaticImage.h"
#include "CTextEdit.h"

using namespace gui;

namespace {

constexpr CColor kTeal = CColor::rgb(0x3fb6a8);
constexpr CColor kBlue = CColor::rgb(0x5aa0e6);
constexpr CColor kRose = CColor::rgb(0xe06c8a);

// A line of text without background or outline.
CParamDisplay* label(CViewContainer& parent, const CRect& r, std::string text, double size = 11,
                     HoriAlign align = HoriAlign::Center, CColor color = theme::kTextDim) {
    auto* l = parent.add<CParamDisplay>(r);
    l->setValueToString([text](float) { return text; });
    l->setBackColor({0, 0, 0, 0});
    l->setFrameColor({0, 0, 0, 0});
    l->setFont(theme::font(size, size >= 12));
    l->setFontColor(color);
    l->setHoriAlign(align);
    return l;
}

// A titled section panel.
CViewContainer& section(CFrame& frame, const CRect& r, const std::string& title, CColor accent) {
    auto* s = frame.add<CViewContainer>(r);
    s->setBackgroundColor(theme::kSurface);
    auto* bar = s->add<CViewContainer>(CRect{0, 0, r.width(), 3});
    bar->setBackgroundColor(accent);
    label(*s, CRect{10, 8, r.width() - 10, 26}, title, 12, HoriAlign::Left, theme::kText);
    return *s;
}

void knob(CViewContainer& s, double x, double y, const std::string& name, float value, CColor accent,
          std::string shown, bool bipolar = false) {
    auto* k = s.add<CAnimKnob>(CRect::fromSize(x, y, 56, 56));
    k->setAccent(accent);
    k->setBipolar(bipolar);
    k->setValue(value);
    label(s, CRect::fromSize(x - 12, y + 58, 80, 14), name, 10, HoriAlign::Center, theme::kText);
    label(s, CRect::fromSize(x - 12, y + 72, 80, 14), std::move(shown), 10);
}

// A small picture drawn in memory, for the static image.
std::shared_ptr<CBitmap> waveImage() {
    auto image = COffscreenContext::create(160, 48);
    CDrawContext& dc = image->context();
    dc.setFillColor(theme::kTrack);
    dc.drawRoundRect(CRect{0, 0, 160, 48}, 4);
    dc.setFrameColor(kTeal);
    dc.setLineWidth(2);
    for (int i = 0; i < 4; ++i) {
        const double x = 12 + i * 34;
        dc.drawLine({x, 38}, {x + 28, 10});
        dc.drawLine({x + 28, 10}, {x + 28, 38});
    }
    return image->toBitmap();
}

// A message box in a frame of its own, as a picture.
std::shared_ptr<CBitmap> messageBoxImage() {
    CFrame frame(400, 150);
    frame.setBackgroundColor(theme::kPanel);
    frame.showMessage("Bank not loaded",
                      "The file is not a bank of patches. Choose a file that was saved from the browser.",
                      MessageKind::Warning);
    return frame.renderOffscreen()->toBitmap();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    CFrame frame(900, 560);
    frame.setBackgroundColor(theme::kPanel);
    label(frame, CRect{20, 12, 500, 36}, "Widget toolkit", 16, HoriAlign::Left, theme::kText);
    label(frame, CRect{500, 12, 880, 36}, "every control drawn off-screen", 11, HoriAlign::Right);

    // Knobs: unipolar, bipolar, filmstrip-free at three sizes of value.
    auto& knobs = section(frame, CRect{20, 48, 440, 200}, "Knobs", theme::kAccent);
    knob(knobs, 24, 40, "Cutoff", 0.62f, theme::kAccent, "2.40 kHz");
    knob(knobs, 124, 40, "Resonance", 0.18f, theme::kAccent, "18 %");
    knob(knobs, 224, 40, "Detune", 0.7f, kTeal, "+12 ct", true);
    knob(knobs, 324, 40, "Volume", 1.0f, kBlue, "0.0 dB");

    // Buttons and switches.
    auto& switches = section(frame, CRect{460, 48, 880, 200}, "Buttons and switches", kTeal);
    auto* sync = switches.add<COnOffButton>(CRect::fromSize(14, 40, 64, 24));
    sync->setTitle("Sync");
    sync->setValue(1);
    sync->setAccent(kTeal);
    switches.add<COnOffButton>(CRect::fromSize(86, 40, 64, 24))->setTitle("Ring");
    auto* dot = switches.add<COnOffButton>(CRect::fromSize(158, 44, 16, 16));
    dot->setValue(1);
    dot->setAccent(kRose);
    switches.add<COnOffButton>(CRect::fromSize(182, 44, 16, 16));
    auto* wave = switches.add<CMultiStateSwitch>(CRect::fromSize(14, 80, 240, 26), nullptr, 1, 4,
                                                 CMultiStateSwitch::Mode::PickHorizontal);
    wave->setLabels({"Sine", "Saw", "Pulse", "Noise"});
    wave->setValue(1);
    wave->setAccent(kTeal);
    auto* octave = switches.add<CMultiStateSwitch>(CRect::fromSize(280, 40, 48, 90), nullptr, 2, 3,
                                                   CMultiStateSwitch::Mode::PickVertical);
    octave->setLabels({"+12", "0", "-12"});
    octave->setValue(1);
    auto* mode = switches.add<CMultiStateSwitch>(CRect::fromSize(344, 40, 62, 26), nullptr, 3, 3,
                                                 CMultiStateSwitch::Mode::Cycle);
    mode->setLabels({"Poly", "Mono", "Legato"});
    mode->setValue(2);
    mode->setAccent(kBlue);
    label(switches, CRect::fromSize(14, 114, 240, 14), "pick one of four", 10, HoriAlign::Left);
    label(switches, CRect::fromSize(336, 70, 78, 14), "click cycles", 10);

    // Menus, values and text.
    auto& fields = section(frame, CRect{20, 216, 440, 540}, "Menus, values and text", kBlue);
    label(fields, CRect::fromSize(14, 38, 90, 22), "Destination", 11, HoriAlign::Left, theme::kText);
    auto* menu = fields.add<COptionMenu>(CRect::fromSize(110, 38, 150, 22));
    menu->setAccent(kBlue);
    menu->addEntry("Off");
    menu->addSeparator();
    CMenuItem& osc = menu->addEntry("Oscillators");
    osc.add("Osc 1 pitch");
    osc.add("Osc 2 pitch").checked = true;
    osc.add("Pulse width");
    CMenuItem& filter = menu->addEntry("Filter");
    filter.add("Cutoff");
    filter.add("Resonance");
    menu->addEntry("Amplifier");
    menu->addEntry("Effects (locked)").enabled = false;
    menu->updateRange();
    menu->setValue(2);
    label(fields, CRect::fromSize(14, 200, 90, 22), "Frequency", 11, HoriAlign::Left, theme::kText);
    auto* display = fields.add<CParamDisplay>(CRect::fromSize(110, 200, 110, 22));
    display->setValueToString([](float v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f Hz", 20.0 * std::pow(1000.0, double(v)));
        return std::string(text);
    });
    display->setValue(0.6f);
    label(fields, CRect::fromSize(14, 232, 90, 22), "Patch name", 11, HoriAlign::Left, theme::kText);
    auto* name = fields.add<CTextEdit>(CRect::fromSize(110, 232, 200, 22));
    name->setText("Warm Analog Pad");
    fields.add<CStaticImage>(CRect::fromSize(110, 266, 160, 48), waveImage());
    label(fields, CRect::fromSize(14, 283, 90, 14), "Static image", 11, HoriAlign::Left, theme::kText);

    // A scrolled list of rows.
    auto& list = section(frame, CRect{460, 216, 880, 344}, "Scroll view", theme::kAccent);
    auto* scroll = list.add<CScrollView>(CRect{10, 32, 410, 120}, 12 * 26 + 4);
    for (int i = 0; i < 12; ++i) {
        CViewContainer& content = scroll->content();
        label(content, CRect::fromSize(6, 4 + i * 26, 160, 22), "Slot " + std::to_string(i + 1), 11,
              HoriAlign::Left, theme::kText);
        auto* on = content.add<COnOffButton>(CRect::fromSize(200, 7 + i * 26, 30, 16));
        on->setValue(i % 3 == 0 ? 1 : 0);
        auto* amount = content.add<CParamDisplay>(CRect::fromSize(250, 4 + i * 26, 130, 22));
        amount->setValue(float(i) / 11);
    }
    scroll->scrollTo(60);

    // A message box, drawn in a frame of its own.
    auto& message = section(frame, CRect{460, 352, 880, 540}, "Message box", kRose);
    message.add<CStaticImage>(CRect::fromSize(10, 30, 400, 150), messageBoxImage());

    // Edit the text with part of it selected, and open the menu's submenu.
    frame.platformMouseDown(name->localToFrame({190, 11}), kLButton);
    frame.platformMouseUp(name->localToFrame({190, 11}), kLButton);
    for (int i = 0; i < 3; ++i) frame.platformKeyDown(KeyEvent{0, VirtualKey::Left, kShift});
    menu->openPopup();
    for (VirtualKey k : {VirtualKey::Down, VirtualKey::Down, VirtualKey::Right, VirtualKey::Down})
        frame.platformKeyDown(KeyEvent{0, k, 0});

    auto picture = frame.renderOffscreen();
    if (!picture || !picture->writePng(argv[1])) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
