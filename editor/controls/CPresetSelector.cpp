#include "CPresetSelector.h"

#include <algorithm>
#include <cmath>

#include "CFrame.h"
#include "EditorServices.h"

namespace calverine {

CPresetSelector::CPresetSelector(const gui::CRect& size, gui::IControlListener* listener, int tag,
                                 std::shared_ptr<gui::CBitmap> skin, EditorServices& services,
                                 std::vector<Button> buttons)
    : BrnCOptionMenu(size, listener, tag, std::move(skin)), services_(services), buttons_(std::move(buttons)) {
    runDialog_ = [this](const gui::FileDialogOptions& options) {
        return gui::runFileDialog(options, [this] {
            if (gui::CFrame* frame = getFrame())
                if (gui::PlatformWindow* window = frame->window()) window->pump();
        });
    };
}

gui::FileDialogOptions CPresetSelector::loadPatchDialog() {
    gui::FileDialogOptions options;
    options.mode = gui::FileDialogOptions::Mode::Open;
    options.title = "Load Patch";
    options.filters = {{"Cubase Program", "*.fxp"}};
    return options;
}

double CPresetSelector::buttonWidth(Button button) const {
    const double h = getViewSize().height();
    return button == Button::Previous || button == Button::Next ? h : std::floor(h * 2.6);
}

gui::CRect CPresetSelector::buttonRect(std::size_t i) const {
    double right = getViewSize().width();
    for (std::size_t j = buttons_.size(); j-- > i;) {
        const double w = buttonWidth(buttons_[j]);
        if (j == i) return gui::CRect{right - w, 0, right, getViewSize().height()};
        right -= w;
    }
    return {};
}

void CPresetSelector::press(Button button) {
    const int tag = getTag();
    switch (button) {
    case Button::Previous: services_.previousProgram(tag); break;
    case Button::Next: services_.nextProgram(tag); break;
    case Button::Browser: services_.openBrowser(); break;
    case Button::Load: {
        const gui::FileDialogResult result = runDialog_(loadPatchDialog());
        if (!result.path.empty()) {
            services_.loadPatch(result.path);
        } else if (!result.error.empty()) {
            if (gui::CFrame* frame = getFrame()) frame->showMessage("Load Patch", result.error, gui::MessageKind::Error);
        }
        break;
    }
    }
    invalidate();
}

gui::MouseResult CPresetSelector::onMouseDown(gui::CPoint where, std::uint32_t buttons) {
    if (buttons & gui::kLButton)
        for (std::size_t i = 0; i < buttons_.size(); ++i)
            if (buttonRect(i).contains(where)) {
                press(buttons_[i]);
                return gui::MouseResult::Handled;
            }
    return BrnCOptionMenu::onMouseDown(where, buttons);
}

void CPresetSelector::draw(gui::CDrawContext& context) {
    const gui::CRect b = localBounds();
    const double fieldRight = buttons_.empty() ? b.right : buttonRect(0).left;
    context.setFillColor(gui::theme::kTrack);
    context.setFrameColor(gui::theme::kEdge);
    context.setLineWidth(1);
    context.drawRoundRect(b.inset(0.5, 0.5), 3, gui::DrawStyle::FilledAndStroked);
    context.setFont(gui::theme::font(std::clamp(b.height() * 0.55, 9.0, 14.0)));
    context.setFontColor(gui::theme::kText);
    context.drawString(services_.selectorText(getTag()), gui::CRect{b.left + 8, b.top, fieldRight - 4, b.bottom},
                       gui::HoriAlign::Left);
    static const char* const kLabels[] = {"\u25C0", "\u25B6", "Load", "Browser"};
    context.setFont(gui::theme::font(std::clamp(b.height() * 0.45, 9.0, 12.0), true));
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const gui::CRect r = buttonRect(i).inset(1.5, 2.5);
        context.setFillColor(gui::theme::kRaised);
        context.drawRoundRect(r, 3);
        context.setFontColor(gui::theme::kText);
        context.drawString(kLabels[int(buttons_[i])], r);
    }
}

}  // namespace calverine
