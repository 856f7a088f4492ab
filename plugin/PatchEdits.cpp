#include "PatchEdits.h"

#include <cstdio>

namespace calverine {

void PatchEdits::initializePatch() {
    PluginParameters& params = owner_.parameters();
    for (const params::DefaultRecord& record : params::defaultRecords()) {
        params.setValue(record.control, record.value, record.part);
        owner_.sendToEngine(record.control, record.value, record.part);
    }
    randomizeVoiceAdjustments(0.7f);
    owner_.sendToEngine(params::kPitchWheel, 0.5f, -1);
    std::snprintf(params.current().name, sizeof(Preset::name), "%s", "Init Patch");
    owner_.patchRenamed();
}

void PatchEdits::randomizeVoiceAdjustments(float amount) {
    for (int slot = 0; slot < params::kVoiceSlots; ++slot) {
        for (int control = control::kFirstVoiceAdjustment; control <= control::kLastVoiceAdjustment; ++control) {
            // Every adjustment draws, also those that are centred or left alone,
            // so the sequence does not depend on which ones move.
            const float r = static_cast<float>(random_.next()) / 32767.0f;
            float value;
            switch (control) {
            case 130: case 131: case 135: case 144: case 152: case 153:
                value = 0.5f - 0.0625f * amount + r * 0.125f * amount;
                break;
            case 148: value = 0.5f; break;
            case 145:
            case 159: continue;
            default: value = 0.5f - 0.25f * amount + r * 0.5f * amount; break;
            }
            owner_.setControl(control, value, slot, true);
        }
    }
    owner_.redrawAll();
}

void PatchEdits::initializeVoiceAdjustments() {
    for (int slot = 0; slot < params::kVoiceSlots; ++slot)
        for (int control = control::kFirstVoiceAdjustment; control <= control::kLastVoiceAdjustment; ++control) {
            float value = 0.5f;
            if (control == 145) value = (slot % 2) ? 1.0f : 0.0f;
            owner_.setControl(control, value, slot, true);
        }
    owner_.redrawAll();
}

void PatchEdits::copyPart(int part, ClipboardMode mode) {
    ClipboardRecord* records = PartClipboard::records();
    if (!records) return;
    const PluginParameters& params = owner_.parameters();
    for (int c = 0; c < PartClipboard::recordCount(); ++c)
        records[c] = {static_cast<std::int16_t>(c), static_cast<std::int16_t>(part), params.getValue(c, part)};
    PartClipboard::setCopied(part, mode);
}

void PatchEdits::pastePart(int target) {
    const ClipboardRecord* records = PartClipboard::records();
    if (!records) return;
    const bool wholePart = PartClipboard::partCopied();
    const bool adjustments = PartClipboard::voiceAdjustmentsCopied();
    for (int c = 0; c < PartClipboard::recordCount(); ++c) {
        if (wholePart && params::isPartControl(c)) owner_.setControl(c, records[c].value, target, false);
        if (adjustments && params::isVoiceAdjustment(c)) owner_.setControl(c, records[c].value, target, false);
    }
}

void PatchEdits::swapParts() {
    PluginParameters& params = owner_.parameters();
    for (int c = 0; c < params::kControlIds; ++c) {
        if (!params::isPartControl(c)) continue;
        const float a = params.getValue(c, 0);
        const float b = params.getValue(c, 1);
        owner_.setControl(c, b, 0, false);
        owner_.setControl(c, a, 1, false);
    }
}

}  // namespace calverine
