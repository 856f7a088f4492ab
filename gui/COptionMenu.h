// A menu button. A click opens its entries as a popup drawn inside the frame
// (see CMenuPopup), kept on screen near the edges. Entries may be
// separators, disabled, checked, or hold a submenu.
//
// The control's value is the index of the chosen entry counted over all
// choosable entries in order (submenus flattened depth first); the callback
// also hears the index path (one index per menu level) and the entry's tag.
//
// Thread: the GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CControl.h"

namespace gui {

struct CMenuItem {
    std::string title;
    int tag = -1;
    bool enabled = true;
    bool checked = false;
    bool separator = false;
    std::vector<CMenuItem> submenu;

    // Adds an entry to this item's submenu and returns it.
    CMenuItem& add(std::string title, int tag = -1);
    void addSeparator();
    bool choosable() const { return !separator && enabled && submenu.empty(); }
};

class COptionMenu : public CControl {
public:
    using Chosen = std::function<void(const std::vector<int>& path, int tag)>;

    COptionMenu(const CRect& size, IControlListener* listener = nullptr, int tag = -1);

    CMenuItem& addEntry(std::string title, int tag = -1);
    void addSeparator();
    std::vector<CMenuItem>& items() { return root_.submenu; }
    void removeAllEntries();
    void setChosenCallback(Chosen f) { chosen_ = std::move(f); }

    // The entry at the current value, or null.
    const CMenuItem* currentItem() const;
    // The flattened index of the entry at `path`, or -1.
    int flatIndexOf(const std::vector<int>& path) const;

    // Opens the popup below the button (above it when there is no room).
    void openPopup();
    // Called by the popup when an entry was picked.
    void choose(const std::vector<int>& path);

    void draw(CDrawContext& context) override;
    MouseResult onMouseDown(CPoint where, std::uint32_t buttons) override;
    // Refreshes the range after entries changed.
    void updateRange();

private:
    CMenuItem root_;
    Chosen chosen_;
};

}  // namespace gui
