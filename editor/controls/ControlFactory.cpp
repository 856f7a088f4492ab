#include "ControlFactory.h"

#include <algorithm>
#include <cstdio>

#include "BrnCOptionMenuSkinSW.h"
#include "BrnCVUDisplay.h"
#include "CAnimKnobCustomDraw.h"
#include "CBarDisplay.h"
#include "CBarsSelectorPopupItem.h"
#include "CBrinURLControl.h"
#include "CDisplayAnimKnob.h"
#include "CDisplayOnOffButton.h"
#include "CJustImage.h"
#include "CKeyboardWheel.h"
#include "CMMPopupItem.h"
#include "COnOffButtonNoEdit.h"
#include "COnOffButtonPartEdit.h"
#include "CPresetSelector.h"
#include "CRRButton.h"
#include "CSwitchToBacksideControl.h"
#include "Messages.h"
#include "SkinIds.h"

#ifndef CALVERINE_WEB_PAGE
#define CALVERINE_WEB_PAGE ""
#endif

namespace calverine {

namespace {

constexpr int kPitchWheel = 99;
constexpr int kVoiceModeButton = 313;
constexpr int kPatchSelector = 302;

std::shared_ptr<gui::CBitmap> bitmapOf(const LayoutRecord& r, int offset) {
    const int id = skin::imageFor(r.kind, r.tag);
    if (id == 0) return nullptr;
    auto bitmap = gui::CBitmap::get(id + offset);
    if (!bitmap) {
        char text[96];
        std::snprintf(text, sizeof text, "Resource images not found! Please reinstall the plugin (id: %d).",
                      id + offset);
        platform::showMessage("Error", text, platform::MessageIcon::Error);
    }
    return bitmap;
}

gui::CRect sizeOf(const LayoutRecord& r, gui::CRect rect, const gui::CBitmap* bitmap) {
    if (rect.width() > 0 && rect.height() > 0) return rect;
    // The size of one frame of the image; a plain square without one.
    constexpr double kFallback = 40;
    const double w = bitmap ? bitmap->width() : kFallback;
    const double h = bitmap ? double(bitmap->height()) / skin::framesOf(r.kind) : kFallback;
    return gui::CRect::fromSize(rect.left, rect.top, w, h);
}

}  // namespace

bool isBipolarKnob(int tag) {
    return (tag >= 110 && tag <= 115) || (tag >= 183 && tag <= 198 && (tag - 183) % 3 == 0);
}

std::unique_ptr<gui::CView> createControl(const LayoutRecord& r, const gui::CRect& scaledRect, int bitmapOffset,
                                          gui::IControlListener* listener, EditorServices& services) {
    if (r.tag == -1) return nullptr;
    auto bitmap = bitmapOf(r, bitmapOffset);
    const gui::CRect size = sizeOf(r, scaledRect, bitmap.get());
    const int tag = r.tag;
    using List = CMMPopupItem::List;

    switch (r.kind) {
    case 0:
    case 23:
    case 24: return std::make_unique<CJustImage>(size, bitmap);
    case 1: return std::make_unique<CBrinURLControl>(size, bitmap, CALVERINE_WEB_PAGE);
    case 2: return std::make_unique<CSwitchToBacksideControl>(size, listener, tag, bitmap);
    case 3: return std::make_unique<BrnCVUDisplay>(size, tag, bitmap, services);
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 29:
    case 30:
    case 31: {
        auto knob = std::make_unique<CDisplayAnimKnob>(size, listener, tag, bitmap, skin::knobFrames(r.kind), services);
        knob->setBipolar(isBipolarKnob(tag));
        return knob;
    }
    case 10: return std::make_unique<CMMPopupItem>(size, listener, tag, List::Sources, bitmap);
    case 11: return std::make_unique<CMMPopupItem>(size, listener, tag, List::Destinations, bitmap);
    case 12:
    case 19: {
        auto button = std::make_unique<COnOffButtonPartEdit>(size, listener, tag, bitmap);
        if (tag == kVoiceModeButton)
            button->setMenu(std::make_unique<CMMPopupItem>(size, listener, tag, List::VoiceMode));
        return button;
    }
    case 13: return std::make_unique<CRRButton>(size, listener, tag, bitmap, services);
    case 15:
    case 17:
    case 18: return std::make_unique<CDisplayOnOffButton>(size, listener, tag, bitmap, services);
    case 16:
    case 32: return std::make_unique<COnOffButtonNoEdit>(size, listener, tag, bitmap);
    case 20:
        return std::make_unique<CKeyboardWheel>(size, listener, tag, bitmap, skin::kWheelFrames, tag == kPitchWheel,
                                                services);
    case 21:
    case 28: {
        const bool percent = tag == 222 || tag == 223;  // the Soften amounts
        return std::make_unique<CAnimKnobCustomDraw>(
            size, listener, tag, bitmap, services,
            percent ? CAnimKnobCustomDraw::Text::Percent : CAnimKnobCustomDraw::Text::Plugin);
    }
    case 22: {
        using B = CPresetSelector::Button;
        std::vector<B> buttons{B::Previous, B::Next};
        if (tag == kPatchSelector) buttons.insert(buttons.end(), {B::Load, B::Browser});
        return std::make_unique<CPresetSelector>(size, listener, tag, bitmap, services, std::move(buttons));
    }
    case 25: return std::make_unique<BrnCOptionMenuSkinSW>(size, listener, tag, bitmap);
    case 26: return std::make_unique<CBarsSelectorPopupItem>(size, listener, tag, bitmap);
    case 27: return std::make_unique<CBarDisplay>(size, listener, tag, bitmap, services);
    default: return nullptr;
    }
}

}  // namespace calverine
