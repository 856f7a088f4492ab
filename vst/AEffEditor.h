// The editor interface that AudioEffect routes the host's editor requests to.
// A plug-in registers one editor object with AudioEffect::setEditor; the base
// class then sets the has-editor flag and forwards effEditGetRect, effEditOpen,
// effEditClose and effEditIdle to it. Called on the host's user-interface thread.
#pragma once

#include "vst24.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect_(effect) {}
    virtual ~AEffEditor() = default;

    // Writes the address of the editor's own rectangle into *rect; valid
    // before and after open.
    virtual bool getRect(ERect** rect) = 0;
    // parent: the host's window (an X11 window id on Linux, an HWND on Windows).
    virtual bool open(void* parent) {
        systemWindow_ = parent;
        return true;
    }
    virtual void close() { systemWindow_ = nullptr; }
    virtual void idle() {}
    virtual bool isOpen() const { return systemWindow_ != nullptr; }

    // A key the host passes on (effEditKeyDown/Up): the ASCII character, the
    // virtual key and the modifier bits. True when the editor used it; an
    // unused key stays the host's (its transport keys keep working).
    virtual bool onKey(bool /*down*/, VstInt32 /*character*/, VstIntPtr /*virtualKey*/, float /*modifiers*/) {
        return false;
    }

    // A mouse-wheel message the host sent through vendorSpecific; `distance`
    // in notches, positive away from the user. True when the editor used it.
    virtual bool onWheel(float /*distance*/) { return false; }

    // Draws the editor into a PNG file: an open editor as it is, a closed one
    // at UI size `uiSize` (-1: the current one) without a window. False when
    // it cannot.
    virtual bool writeScreenshot(const char* /*path*/, int /*uiSize*/) { return false; }

    AudioEffect* getEffect() const { return effect_; }
    // Called by the plug-in before it deletes the editor, so the editor no
    // longer reaches back into a dying plug-in object.
    void detachEffect() { effect_ = nullptr; }

protected:
    AudioEffect* effect_;
    void* systemWindow_ = nullptr;
};
