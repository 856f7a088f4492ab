#include "Genetics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "Messages.h"
#include "Files.h"
#include "PatchFiles.h"
#include "Random.h"
#include "Time.h"

namespace calverine::genetics {

namespace {

// Controls whose values the loop over all controls leaves alone: 200 and 201
// are not bred, the step-pattern controls are written with their patterns.
bool skippedInLoop(int control) {
    switch (control) {
    case 200: case 201: case 210: case 211: case 220: case 221: case 222: case 223: return true;
    default: return false;
    }
}

constexpr int kFirstLinkedSource = 100, kLastLinkedSource = 105;
constexpr int kFirstLinkedAmount = 110, kLastLinkedAmount = 115;
constexpr int kFirstLinkedDestination = 120, kLastLinkedDestination = 125;

// A parent drawn from r (0 .. 65535): floor(r x n / 65535), at most n - 1.
std::uint32_t parentOf(int r, std::uint32_t n) {
    return std::min<std::uint32_t>(static_cast<std::uint32_t>(r) * n / 65535u, n - 1);
}

// Parent p's value of control c into the target: per voice slot for the
// voice adjustments, per part for the part controls, else the global value.
// Slots the store has no record for hold nothing to pass on.
void writeFrom(const PluginParameters& parents, int p, int c, Target& target) {
    int first = -1, last = -1;
    if (params::isVoiceAdjustment(c)) {
        first = 0;
        last = params::kVoiceSlots - 1;
    } else if (params::isPartControl(c)) {
        first = 0;
        last = 1;
    }
    for (int part = first; part <= last; ++part)
        if (parents.recordOf(c, part) != PluginParameters::kNoRecord) target.setControl(c, parents.getValue(c, part, p), part);
}

}  // namespace

// ---- targets ------------------------------------------------------------------

void StoreTarget::setControl(int control, float value, int part) {
    if (control < 0 || control > params::kHighestControl || !params::acceptStoredValue(control, value)) return;
    store_.setValue(control, value, store_.isPerPart(control) ? part : -1);
}

void StoreTarget::setStepPattern(int lfo, const std::array<float, Preset::kSteps>& steps) {
    if (lfo < 0 || lfo > 1) return;
    auto& pattern = store_.current().steps[static_cast<std::size_t>(lfo)];
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = std::isfinite(steps[i]) ? steps[i] : 0.0f;
}

void StoreTarget::setInfoText(std::string_view text) { store_.current().setInfoText(text); }

void StoreTarget::setProgramName(std::string_view name) {
    char* field = store_.current().name;
    const std::size_t n = std::min(name.size(), sizeof(Preset::name) - 1);
    std::memset(field, 0, sizeof(Preset::name));
    std::memcpy(field, name.data(), n);
}

// ---- breeding -----------------------------------------------------------------

std::uint32_t clockSeed() { return platform::milliseconds() & 0xFFFFu; }

std::string infoText(const PluginParameters& parents, int parentCount, std::uint32_t seed) {
    std::string text;
    for (int k = 0; k < parentCount; ++k) {
        const char* name = parents.getPreset(k).name;
        if (k > 0) text += '|';
        text.append(name, strnlen(name, sizeof(Preset::name)));
    }
    if (parentCount == 2) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "|%x", static_cast<unsigned>(seed));
        text += hex;
    }
    return text;
}

bool breed(const PluginParameters& parents, Record& record, Target& target, std::optional<std::uint32_t> seed) {
    const std::uint32_t n = record.parentCount;
    if (n < kMinParents || n > kMaxParents || static_cast<int>(n) > parents.presetCount()) return false;
    const float a = std::isfinite(record.amount) ? std::clamp(record.amount, 0.0f, 1.0f) : 0.0f;
    record.amount = a;

    // 1. The seed; the state starts one step past it.
    record.seed = seed ? *seed : clockSeed();
    Random s(record.seed);

    // 2. The parent choices.
    for (std::uint32_t& choice : record.choices) choice = static_cast<std::uint32_t>(s.nextWide()) % n;

    // 3. The names.
    target.setInfoText(infoText(parents, static_cast<int>(n), record.seed));
    target.setProgramName(kProgramName);

    // 4. Every control, in increasing order: two draws each, also for the
    // controls that are not written here.
    const double firstParentBelow = (1.0 - static_cast<double>(a)) * 65535.0;
    std::uint32_t slotParent[kLastLinkedSource - kFirstLinkedSource + 1] = {};
    for (int c = 0; c <= parents.highestControl(); ++c) {
        const int r1 = s.nextWide();
        const int r2 = s.nextWide();
        std::uint32_t p = parentOf(r1, n);
        if (r2 < firstParentBelow) p = 0;
        if (skippedInLoop(c)) continue;
        if (c >= kFirstLinkedSource && c <= kLastLinkedSource) slotParent[c - kFirstLinkedSource] = p;
        if ((c >= kFirstLinkedAmount && c <= kLastLinkedAmount) ||
            (c >= kFirstLinkedDestination && c <= kLastLinkedDestination))
            p = slotParent[c % 10];
        writeFrom(parents, static_cast<int>(p), c, target);
    }

    // 5.
    if (a > kExtraStepAmount) s.nextWide();

    // 6. LFO 1's pattern always from the first parent.
    const control::LfoControls& lfo1 = control::kLfo[0];
    target.setStepPattern(0, parents.getPreset(0).steps[0]);
    for (int c : {lfo1.steps, lfo1.oneShot, lfo1.soften}) writeFrom(parents, 0, c, target);

    // 7. LFO 2's from the first parent, or from a drawn one at high amounts.
    std::uint32_t q = 0;
    if (a > kLfo2DrawAmount) q = parentOf(s.nextWide(), n);
    const control::LfoControls& lfo2 = control::kLfo[1];
    target.setStepPattern(1, parents.getPreset(static_cast<int>(q)).steps[1]);
    for (int c : {lfo2.steps, lfo2.oneShot, lfo2.soften}) writeFrom(parents, static_cast<int>(q), c, target);
    return true;
}

// ---- parents from files ---------------------------------------------------------

std::unique_ptr<PluginParameters> readParents(const std::vector<std::string>& paths, std::string& error) {
    const int n = static_cast<int>(paths.size());
    if (n < kMinParents || n > kMaxParents) {
        error = "Genetics needs 2 or 3 parent patches, not " + std::to_string(n);
        return nullptr;
    }
    auto parents = std::make_unique<PluginParameters>(n);
    for (int k = 0; k < n; ++k) {
        const std::string& path = paths[static_cast<std::size_t>(k)];
        const std::string name = platform::quoted(path);
        PatchFileStatus status = PatchFileStatus::Unreadable;
        const std::unique_ptr<PluginParameters> file = readPatchFile(path, status);
        switch (status) {
        case PatchFileStatus::Ok: break;
        case PatchFileStatus::Unreadable:
            error = platform::fileExists(path) || platform::isDirectory(path)
                        ? "cannot read the parent patch " + name
                        : "the parent patch " + name + " does not exist";
            return nullptr;
        case PatchFileStatus::TooShort:
            error = name + " is not a program file: it is shorter than the 60-byte header";
            return nullptr;
        case PatchFileStatus::NotOurs: error = name + " is not a Calverine program file"; return nullptr;
        case PatchFileStatus::ChunkTooShort:
            error = name + " holds no patch: its chunk is shorter than the 560-byte information block";
            return nullptr;
        }
        parents->getPreset(k) = file->current();
    }
    return parents;
}

bool checkAmount(double amount, std::string& error) {
    if (std::isfinite(amount) && amount >= 0.0 && amount <= 1.0) return true;
    char text[64];
    std::snprintf(text, sizeof text, "%g", amount);
    error = std::string("the breed amount must be from 0 to 1, not ") + text;
    return false;
}

bool parseAmount(std::string_view text, double& amount, std::string& error) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || ptr != end) {
        error = platform::quoted(text) + " is not a number from 0 to 1";
        return false;
    }
    if (!checkAmount(value, error)) return false;
    amount = value;
    return true;
}

bool parseSeed(std::string_view text, std::uint32_t& seed, std::string& error) {
    int base = 10;
    std::string_view digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    std::uint32_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value, base);
    if (digits.empty() || ec != std::errc() || ptr != end) {
        error = platform::quoted(text) + " is not a whole number from 0 to 4294967295 (or 0x0 to 0xffffffff)";
        return false;
    }
    seed = value;
    return true;
}

bool breedFiles(const std::vector<std::string>& paths, double amount, std::optional<std::uint32_t> seed,
                PluginParameters& child, Record& record, std::string& error) {
    if (!checkAmount(amount, error)) return false;
    const std::unique_ptr<PluginParameters> parents = readParents(paths, error);
    if (!parents) return false;
    record.amount = static_cast<float>(amount);
    record.parentCount = static_cast<std::uint32_t>(paths.size());
    record.parentPaths = paths;
    child.current() = parents->getPreset(0);
    StoreTarget target(child);
    return breed(*parents, record, target, seed);
}

}  // namespace calverine::genetics
