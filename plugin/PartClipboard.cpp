#include "PartClipboard.h"

#include <memory>
#include <mutex>

namespace calverine {

namespace {
struct Shared {
    std::mutex mutex;
    int liveObjects = 0;
    std::unique_ptr<ClipboardRecord[]> records;
    int recordCount = 0;
    int copiedPart = -1;
    bool partCopied = false;
    bool trimmersCopied = false;

    void empty() {
        copiedPart = -1;
        partCopied = trimmersCopied = false;
    }
};

Shared& shared() {
    static Shared s;
    return s;
}
}  // namespace

int PartClipboard::attach(int controlIds) {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (++s.liveObjects == 1) {
        s.records.reset(new ClipboardRecord[static_cast<std::size_t>(controlIds)]());
        s.recordCount = controlIds;
        s.empty();
    }
    return s.liveObjects;
}

int PartClipboard::detach() {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.liveObjects > 0 && --s.liveObjects == 0) {
        s.records.reset();
        s.recordCount = 0;
        s.empty();
    }
    return s.liveObjects;
}

int PartClipboard::liveObjects() {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.liveObjects;
}

ClipboardRecord* PartClipboard::records() { return shared().records.get(); }
int PartClipboard::recordCount() { return shared().recordCount; }
int PartClipboard::copiedPart() { return shared().copiedPart; }
bool PartClipboard::partCopied() { return shared().partCopied; }
bool PartClipboard::trimmersCopied() { return shared().trimmersCopied; }

void PartClipboard::setCopied(int part, ClipboardMode mode) {
    Shared& s = shared();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.copiedPart = part;
    s.partCopied = mode == ClipboardMode::Part;
    s.trimmersCopied = mode == ClipboardMode::Trimmers;
}

}  // namespace calverine
