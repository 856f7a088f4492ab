// The plug-in's entry points. Every name here is exported; everything else in
// Calverine.so (Calverine.dll) stays hidden.
#include <memory>
#include <new>

#include "VstXSynth.h"
#ifdef CALVERINE_HAS_EDITOR
#include "ADEditor.h"
#endif

#ifdef _WIN32
#define CALVERINE_EXPORT extern "C" __declspec(dllexport)
#else
#define CALVERINE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

CALVERINE_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster);

CALVERINE_EXPORT AEffect* VSTPluginMain(audioMasterCallback audioMaster) {
    if (!audioMaster) return nullptr;
    if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    auto* effect = new (std::nothrow) calverine::VstXSynth(audioMaster);
    if (!effect) return nullptr;
#ifdef CALVERINE_HAS_EDITOR
    effect->adoptEditor(std::make_unique<calverine::ADEditor>(*effect));
#endif
    return effect->getAeffect();
}

CALVERINE_EXPORT AEffect* MAIN(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }
CALVERINE_EXPORT AEffect* Main(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }

#ifndef _WIN32
// Older Linux hosts look for a symbol literally named "main".
CALVERINE_EXPORT AEffect* vstMainForOldHosts(audioMasterCallback audioMaster) __asm__("main");
CALVERINE_EXPORT AEffect* vstMainForOldHosts(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }
#endif
