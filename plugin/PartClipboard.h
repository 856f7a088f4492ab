// The part clipboard that every plug-in object of the process shares, and the
// process-wide count of live plug-in objects that owns it. The first object
// allocates the records, the last one frees them. Not for the audio thread.
#pragma once

#include <cstdint>

namespace calverine {

// What the clipboard holds: nothing, a whole part, or the trimmers (the
// per-voice adjustments) of one voice slot.
enum class ClipboardMode { Empty, Part, Trimmers };

struct ClipboardRecord {
    std::int16_t control = 0;
    std::int16_t part = 0;
    float value = 0.0f;
};

class PartClipboard {
public:
    // A new plug-in object: counts it and, for the first one, allocates
    // `controlIds` zeroed records and empties the clipboard. Returns the count.
    static int attach(int controlIds);
    // A plug-in object goes away: the last one frees the records and empties
    // the clipboard. Returns the count left.
    static int detach();
    static int liveObjects();

    // Access for the copy and paste commands; valid while an object is attached.
    static ClipboardRecord* records();
    static int recordCount();
    static int copiedPart();  // -1 when empty
    static bool partCopied();
    static bool trimmersCopied();
    static void setCopied(int part, ClipboardMode mode);
};

}  // namespace calverine
