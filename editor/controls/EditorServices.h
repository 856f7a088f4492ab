// What the editor's controls ask of the editor and the plug-in behind it.
// ADEditor implements it; the controls never reach the plug-in directly.
//
// Thread: the GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "Geometry.h"

namespace calverine {

class EditorServices {
public:
    virtual ~EditorServices() = default;

    // The plug-in's display text for the parameter control `tag` (for the
    // edited part); the controls format nothing themselves.
    virtual std::string displayText(int tag) = 0;
    // True when `tag` may be MIDI-learned (menu 308), false for menu 309.
    virtual bool canLearn(int tag) = 0;
    // Opens the per-control menu `menuTag` (308 or 309) for the parameter
    // control `tag` at `framePoint`.
    virtual void openControlMenu(int menuTag, int tag, gui::CPoint framePoint) = 0;

    // The output level now, linear 0..1 (peak since the last call).
    virtual float meterLevel() = 0;
    // True once for each burst of MIDI input since the last call.
    virtual bool midiActivity() = 0;
    // The step now playing in step LFO `lfo` (0 or 1), -1 when none plays.
    virtual int stepPosition(int lfo) = 0;
    // The step editor's menu chose a step count (4 .. 128).
    virtual void stepCountChosen(int steps) = 0;

    // The preset selector `tag` (302 patch, 348 soundbank).
    virtual std::string selectorText(int tag) = 0;
    virtual void previousProgram(int tag) = 0;
    virtual void nextProgram(int tag) = 0;
    virtual void openBrowser() = 0;
    // A patch file chosen in the "Load Patch" dialog.
    virtual void loadPatch(const std::string& path) = 0;

    // The read-only lines of the back side panel.
    virtual std::vector<std::string> backsideLines() = 0;
};

// Controls that follow the plug-in between events (meter, step marker):
// the editor calls idleUpdate on every idle call.
class IdleUpdated {
public:
    virtual ~IdleUpdated() = default;
    virtual void idleUpdate() = 0;
};

}  // namespace calverine
