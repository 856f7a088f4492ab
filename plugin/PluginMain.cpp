// The plug-in's entry points. Every name here is exported; everything else in
// Calverine.so stays hidden.
#include <memory>
#include <new>

#include "ADEditor.h"
#include "VstXSynth.h"

#define CALVERINE_EXPORT extern "C" __attribute__((visibility("default")))

CALVERINE_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster);

CALVERINE_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    if (!audioMaster) return nullptr;
    if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    auto* effect = new (std::nothrow) calverine::VstXSynth(audioMaster);
    if (!effect) return nullptr;
    effect->adoptEditor(std::make_unique<calverine::ADEditor>(*effect));
    return effect->getAeffect();
}

CALVERINE_EXPORT AEffect* MAIN(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }
CALVERINE_EXPORT AEffect* Main(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }

// Older Linux hosts look for a symbol literally named "main".
CALVERINE_EXPORT AEffect* vstMainForOldHosts(audioMasterCallback audioMaster) __asm__("main");
CALVERINE_EXPORT AEffect* vstMainForOldHosts(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }
