#include "ControllerMap.h"

#include <algorithm>

#include "ParameterTable.h"

namespace calverine {

ControllerMap::ControllerMap(int controlIds)
    : controlIds_(controlIds), table_(static_cast<std::size_t>(controlIds * kParts), kNoController) {
    for (int i = 0; i < params::kHostParameters; ++i) {
        const params::HostParameter* p = params::hostParameter(i);
        if (p->defaultController < 0) continue;
        const int part = std::clamp(p->part, 0, 15);
        table_[static_cast<std::size_t>(part * controlIds_ + p->control)] = static_cast<std::uint16_t>(p->defaultController);
    }
    buildFromTable();
}

std::uint16_t ControllerMap::tableEntry(int control, int part) const {
    if (control < 0 || control >= controlIds_ || part < 0 || part >= kParts) return kNoController;
    return table_[static_cast<std::size_t>(part * controlIds_ + control)];
}

void ControllerMap::buildFromTable() {
    map_.fill(Entry{});
    for (int control = 0; control < controlIds_; ++control) {
        // Every part slot binds its own controller; walking the parts from the
        // top lets the lowest part win where several name the same one.
        for (int part = kParts - 1; part >= 0; --part) {
            const std::uint16_t controller = table_[static_cast<std::size_t>(part * controlIds_ + control)];
            if (controller < 128) map_[controller] = {static_cast<std::uint16_t>(control), static_cast<std::uint16_t>(part)};
        }
    }
}

void ControllerMap::writeIntoTable() {
    for (int c = 0; c < 128; ++c) {
        const Entry& e = map_[static_cast<std::size_t>(c)];
        if (e.control >= controlIds_ || e.part >= kParts) continue;
        table_[static_cast<std::size_t>(e.part * controlIds_ + e.control)] = static_cast<std::uint16_t>(c);
    }
}

void ControllerMap::replaceMap(const std::array<Entry, 128>& map) {
    map_ = map;
    writeIntoTable();
}

void ControllerMap::startLearn(int control, int part) {
    learnPart_ = part;
    learnTarget_.store(control);
    changed_ = true;
}

void ControllerMap::completeLearn(int controller) {
    const std::int32_t target = learnTarget_.load();
    if (target < 0 || controller < 1 || controller > 127) return;
    map_[static_cast<std::size_t>(controller)] = {static_cast<std::uint16_t>(target),
                                                  static_cast<std::uint16_t>(std::clamp(learnPart_, 0, kParts - 1))};
    writeIntoTable();
    learnTarget_.store(-1);
}

void ControllerMap::forget(int control, int part) {
    for (Entry& e : map_)
        if (e.control == control && e.part == part) e = Entry{};
    changed_ = true;
    writeIntoTable();
}

}  // namespace calverine
