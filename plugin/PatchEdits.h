// The editor's commands that change many controls of the current patch at
// once: "Init Patch", randomizing and centring the trimmers (the per-voice
// adjustments), and the part clipboard's copy, paste and swap.
//
// Threads: the user-interface thread; never the audio thread.
#pragma once

#include "PartClipboard.h"
#include "PluginParameters.h"
#include "Random.h"

namespace calverine {

class PatchEdits {
public:
    // What the edits reach in the plug-in object.
    class Owner {
    public:
        virtual PluginParameters& parameters() = 0;
        // The one change path: store, engine and editor.
        virtual void setControl(int control, float value, int part, bool fromEditor) = 0;
        // The engine side of a change alone; the store is left as it is.
        virtual void sendToEngine(int control, float value, int part) = 0;
        // The patch name changed: the host's display and the editor's.
        virtual void patchRenamed() = 0;
        // Many values changed at once: the editor redraws everything.
        virtual void redrawAll() = 0;

    protected:
        ~Owner() = default;
    };

    explicit PatchEdits(Owner& owner) : owner_(owner) {}

    // Every slot back to its default, the trimmers spread at 0.7, the pitch
    // wheel centred and the name "Init Patch".
    void initializePatch();
    // Every trimmer of every voice slot drawn at random around its centre:
    // amount 1.0 from the editor's command, 0.7 inside initializePatch.
    void randomizeVoiceAdjustments(float amount);
    // Every trimmer centred; the stereo position alternates left and right.
    void initializeVoiceAdjustments();
    // Copies every control of `part` (a part, or a voice slot for the
    // trimmers) into the clipboard that all plug-in objects share.
    void copyPart(int part, ClipboardMode mode);
    // A copied part gives `target` its per-part controls, copied trimmers give
    // voice slot `target` its trimmers; an empty clipboard changes nothing.
    void pastePart(int target);
    // Parts A and B exchange every per-part control, trimmers apart.
    void swapParts();

private:
    Owner& owner_;
    Random random_;
};

}  // namespace calverine
