// The output level meter with a MIDI activity lamp. Fed once per idle call
// from the editor: the level rises at once and falls by kFallDbPerSecond,
// a peak mark holds for kHoldSeconds; the scale spans kFloorDb to 0 dB.
// Drawn from the meter image (the unlit and lit strips side by side) or
// by code.
//
// Thread: the GUI thread only.
#pragma once

#include <memory>

#include "CControl.h"
#include "EditorServices.h"

namespace calverine {

class BrnCVUDisplay : public gui::CControl, public IdleUpdated {
public:
    static constexpr double kFloorDb = -60;
    static constexpr double kFallDbPerSecond = 24;
    static constexpr double kHoldSeconds = 1.5;
    static constexpr double kLampSeconds = 0.15;

    BrnCVUDisplay(const gui::CRect& size, int tag, std::shared_ptr<gui::CBitmap> strips, EditorServices& services);

    // One step of the ballistics: `level` is linear, `seconds` the time
    // since the last step.
    void feed(float level, bool midi, double seconds);
    // The shown level and peak, 0 (floor) .. 1 (0 dB).
    double shownLevel() const { return levelDb_ <= kFloorDb ? 0 : (levelDb_ - kFloorDb) / -kFloorDb; }
    double shownPeak() const { return peakDb_ <= kFloorDb ? 0 : (peakDb_ - kFloorDb) / -kFloorDb; }
    bool lampLit() const { return lamp_ > 0; }

    void idleUpdate() override;
    void draw(gui::CDrawContext& context) override;

private:
    EditorServices& services_;
    std::shared_ptr<gui::CBitmap> strips_;
    double levelDb_ = kFloorDb;
    double peakDb_ = kFloorDb;
    double hold_ = 0;
    double lamp_ = 0;
    double lastSeconds_ = -1;
};

}  // namespace calverine
