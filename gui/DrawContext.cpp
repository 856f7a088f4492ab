#include "DrawContext.h"

#include <map>

namespace gui {

void CDrawContext::saveState() {
    saved_.push_back(state_);
    backendSave();
}

void CDrawContext::restoreState() {
    if (saved_.empty()) return;
    state_ = saved_.back();
    saved_.pop_back();
    backendRestore();
}

void CDrawContext::translate(CPoint by) {
    state_.origin = state_.origin + by;
}

void CDrawContext::clip(const CRect& rect) {
    state_.clip = state_.clip.intersect(rect.offset(state_.origin));
    applyClip(state_.clip);
}

CDrawContext::Rgba CDrawContext::premix(CColor c) const {
    return {c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0 * state_.globalAlpha};
}

namespace {

struct Resource {
    const void* bytes = nullptr;
    std::size_t size = 0;
    std::shared_ptr<CBitmap> decoded;
};

std::map<int, Resource>& resources() {
    static std::map<int, Resource> table;
    return table;
}

}  // namespace

void CBitmap::registerResource(int id, const void* bytes, std::size_t size) {
    resources()[id] = Resource{bytes, size, nullptr};
}

std::shared_ptr<CBitmap> CBitmap::get(int id) {
    auto found = resources().find(id);
    if (found == resources().end()) return nullptr;
    Resource& r = found->second;
    if (!r.decoded) r.decoded = fromPng(r.bytes, r.size);
    return r.decoded;
}

void CBitmap::clearCache() {
    for (auto& [id, r] : resources()) r.decoded.reset();
}

}  // namespace gui
