// A link: a click opens the product's web page (set when the plug-in is
// built) in the system browser.
//
// Thread: the GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "CControl.h"

namespace calverine {

class CBrinURLControl : public gui::CControl {
public:
    using Opener = std::function<bool(const std::string& url)>;

    // Without an opener the system's default handler opens the page.
    CBrinURLControl(const gui::CRect& size, std::shared_ptr<gui::CBitmap> image, std::string url,
                    Opener opener = {});

    const std::string& url() const { return url_; }
    void draw(gui::CDrawContext& context) override;
    gui::MouseResult onMouseDown(gui::CPoint where, std::uint32_t buttons) override;

private:
    std::shared_ptr<gui::CBitmap> image_;
    std::string url_;
    Opener opener_;
};

}  // namespace calverine
