// Feeds program files to the header check and then the chunk reader. Inputs
// that start like a program file go in as they are; others are the recipe for
// a file with a Calverine header around a built chunk, or for edits of a
// real program file.
#include <cstdint>
#include <cstring>
#include <vector>

#include "PatchFuzzSupport.h"

namespace {

using namespace fuzzpatch;

void putBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void setBe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
}
void putTag(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

void checkFile(const std::vector<std::uint8_t>& file) {
    const std::uint8_t* chunk = nullptr;
    std::size_t size = 0;
    const patch::FileCheck result = patch::findChunk(file, chunk, size);
    check((file.size() < patch::kHeaderSize) == (result == patch::FileCheck::TooShort));
    if (result != patch::FileCheck::Ok) return;
    check(chunk == file.data() + patch::kHeaderSize && size <= file.size() - patch::kHeaderSize);
    checkLoad(chunk, size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || std::memcmp(data, "CcnK", 4 < size ? 4 : size) == 0) {
        checkFile(std::vector<std::uint8_t>(data, data + size));
        return 0;
    }
    Input in(data + 1, size - 1);
    std::vector<std::uint8_t> file;
    switch (data[0] % 3) {
    case 0: file.assign(data + 1, data + size); break;
    case 1: {
        static const char* const kIds[] = {"CLVS", "CLVF", "QWTF", "QWTR", "Tsyn"};
        putTag(file, "CcnK");
        putBe32(file, in.u32());
        putTag(file, in.byte() % 4 ? "FPCh" : "FBCh");
        putBe32(file, 1);
        putTag(file, kIds[in.byte() % 5]);
        putBe32(file, 1);
        putBe32(file, 1);
        file.resize(56, 'n');
        putBe32(file, 0);  // the chunk size, set below
        const std::vector<std::uint8_t> chunk = structuredChunk(in);
        const std::size_t at = file.size();
        file.resize(at + chunk.size());
        std::memcpy(file.data() + at, chunk.data(), chunk.size());
        const std::uint32_t claims[] = {static_cast<std::uint32_t>(chunk.size()), 0, 559, 560, 0xFFFFFFFF,
                                        static_cast<std::uint32_t>(chunk.size() + 1)};
        setBe32(file, 56, claims[size % 6]);
        break;
    }
    default:
        patch::writeProgramFile(richPatch(), file);
        if (in.byte() % 4 == 0) setBe32(file, 56, in.field());
        editChunk(file, patch::kHeaderSize, in);
        break;
    }
    checkFile(file);
    return 0;
}
