// Feeds patch chunks to the chunk reader: inputs of at least 560 bytes as
// they are (the libFuzzer corpus and the stored real chunks), shorter ones
// as the recipe for a chunk with well-formed section headers, or for edits
// of a real chunk, so that the section walk and the migrations are reached.
#include <cstdint>
#include <vector>

#include "PatchFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fuzzpatch;
    if (size == 0 || size >= static_cast<std::size_t>(Preset::kInfoSize)) {
        checkLoad(data, size);
        return 0;
    }
    Input in(data + 1, size - 1);
    std::vector<std::uint8_t> chunk;
    switch (data[0] % 3) {
    case 0:
        checkLoad(data + 1, size - 1);
        return 0;
    case 1: chunk = structuredChunk(in); break;
    default:
        chunk = chunkOf(richPatch());
        editChunk(chunk, 0, in);
        break;
    }
    checkLoad(chunk.data(), chunk.size());
    return 0;
}
