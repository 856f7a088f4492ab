// The patch (or soundbank) field of the header: the name the editor gives,
// and buttons at the right end. The patch selector has previous, next,
// "Load" (the "Load Patch" file dialog) and "Browser"; the soundbank
// selector previous and next. A click on the name opens the menu of
// entries the editor put in.
//
// Thread: the GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "BrnCOptionMenu.h"
#include "FileDialog.h"

namespace calverine {

class EditorServices;

class CPresetSelector : public BrnCOptionMenu {
public:
    enum class Button : std::uint8_t { Previous, Next, Load, Browser };
    using DialogRunner = std::function<gui::FileDialogResult(const gui::FileDialogOptions&)>;

    CPresetSelector(const gui::CRect& size, gui::IControlListener* listener, int tag,
                    std::shared_ptr<gui::CBitmap> skin, EditorServices& services, std::vector<Button> buttons);

    // Replaces the system dialog (tests).
    void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
    // The dialog of the "Load" button.
    static gui::FileDialogOptions loadPatchDialog();

    const std::vector<Button>& buttons() const { return buttons_; }
    // The local rectangle of button `i`.
    gui::CRect buttonRect(std::size_t i) const;

    void draw(gui::CDrawContext& context) override;
    gui::MouseResult onMouseDown(gui::CPoint where, std::uint32_t buttons) override;

private:
    void press(Button button);
    double buttonWidth(Button button) const;

    EditorServices& services_;
    std::vector<Button> buttons_;
    DialogRunner runDialog_;
};

}  // namespace calverine
