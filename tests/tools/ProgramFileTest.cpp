#include <gtest/gtest.h>

#include "ProgramFile.h"
#include "ToolsTestSupport.h"
#include "vst24.h"

namespace calverine::render {
namespace {

const std::vector<std::uint8_t> kChunk = {1, 2, 3, 4, 5, 6, 7, 0xff};

TEST(ProgramFileTest, ReadsTheChunkAndHeaderFields) {
    test::TempFolder folder;
    const std::string path = folder.file("p.fxp");
    test::writeBytes(path, test::fxpFile(kChunk, "CLVS"));

    ProgramFile program;
    std::string error;
    ASSERT_TRUE(program.load(path, error)) << error;
    EXPECT_EQ(program.chunk(), kChunk);
    EXPECT_EQ(program.pluginId(), vstFourCC('C', 'L', 'V', 'S'));
    EXPECT_EQ(program.programName(), "Test Program");
}

TEST(ProgramFileTest, MissingFileIsAnError) {
    ProgramFile program;
    std::string error;
    EXPECT_FALSE(program.load("/nonexistent/calverine/p.fxp", error));
    EXPECT_EQ(error.rfind("cannot read program file '/nonexistent/calverine/p.fxp'", 0), 0u) << error;
}

struct BadProgram {
    const char* name;
    std::vector<std::uint8_t> bytes;
};

std::vector<std::uint8_t> patched(std::size_t offset, std::vector<std::uint8_t> replacement,
                                  std::vector<std::uint8_t> file = test::fxpFile(kChunk)) {
    std::copy(replacement.begin(), replacement.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
    return file;
}

// The good file cut short or grown with zero bytes.
std::vector<std::uint8_t> resized(std::size_t size) {
    auto file = test::fxpFile(kChunk);
    file.resize(size, 0);
    return file;
}

TEST(ProgramFileTest, RefusesBadFiles) {
    const std::vector<BadProgram> cases = {
        {"shorterThanHeader", resized(59)},
        {"wrongMagic", patched(0, {'R', 'I', 'F', 'F'})},
        {"parameterList", patched(8, {'F', 'x', 'C', 'k'})},
        {"bankFile", patched(8, {'F', 'B', 'C', 'h'})},
        {"chunkPastEnd", resized(60 + kChunk.size() - 1)},
        {"byteSizeMismatch", patched(4, {0, 0, 0, 7})},
        {"emptyChunk", test::fxpFile({})},
        {"trailingBytes", resized(60 + kChunk.size() + 1)},
    };
    for (const BadProgram& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFile program;
        std::string error;
        EXPECT_FALSE(program.parse(c.bytes, "bad.fxp", error));
        EXPECT_EQ(error.rfind("bad program file 'bad.fxp': ", 0), 0u) << error;
        EXPECT_TRUE(program.chunk().empty());
    }
}

}  // namespace
}  // namespace calverine::render
