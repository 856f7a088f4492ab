#include <gtest/gtest.h>

#include "RenderOptions.h"

namespace calverine::render {
namespace {

bool parse(std::vector<const char*> args, RenderOptions& options, std::string& error) {
    args.insert(args.begin(), "calverine-render");
    return RenderOptions::parse(static_cast<int>(args.size()), args.data(), options, error);
}

TEST(RenderOptionsTest, ReadsEveryOptionInBothSpellings) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--rate",      "48000",     "synth.so",    "--block=64",    "song.mid",      "-o",      "x.wav",
                       "--tempo",     "97.5",      "--tail=0.25", "--host-vendor", "Brindle Audio", "--param", "3=0.5",
                       "--param=0=1", "--program", "p.fxp",       "--float",       "--bench",       "--quiet"},
                      o, error))
        << error;
    EXPECT_EQ(o.pluginPath, "synth.so");
    EXPECT_EQ(o.midiPath, "song.mid");
    EXPECT_EQ(o.outputPath, "x.wav");
    EXPECT_EQ(o.sampleRate, 48000);
    EXPECT_EQ(o.blockSize, 64);
    ASSERT_TRUE(o.tempo.has_value());
    EXPECT_DOUBLE_EQ(*o.tempo, 97.5);
    EXPECT_DOUBLE_EQ(o.tailSeconds, 0.25);
    EXPECT_EQ(o.hostVendor, "Brindle Audio");
    ASSERT_EQ(o.parameters.size(), 2u);
    EXPECT_EQ(o.parameters[0].index, 3);
    EXPECT_FLOAT_EQ(o.parameters[0].value, 0.5f);
    EXPECT_EQ(o.parameters[1].index, 0);
    EXPECT_FLOAT_EQ(o.parameters[1].value, 1.0f);
    EXPECT_EQ(o.programPath, "p.fxp");
    EXPECT_TRUE(o.floatOutput && o.bench && o.quiet);
}

TEST(RenderOptionsTest, BlockSizeLimitsAreInclusiveAndHelpWinsOverEverythingElse) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse({"s.so", "--block", "1"}, o, error)) << error;
    EXPECT_EQ(o.blockSize, 1);
    ASSERT_TRUE(parse({"s.so", "--block", "8192"}, o, error)) << error;
    EXPECT_EQ(o.blockSize, 8192);
    ASSERT_TRUE(parse({"--help", "--bogus"}, o, error));
    EXPECT_TRUE(o.help);
    ASSERT_TRUE(parse({"-h"}, o, error));
    EXPECT_TRUE(o.help);
}

TEST(RenderOptionsTest, RefusesMalformedCommandLinesWithOneLine) {
    const std::vector<std::vector<const char*>> cases = {
        {}, {"a.so", "b.mid", "c"}, {"a.so", "--frobnicate"}, {"a.so", "-x"}, {"a.so", "--rate"},
        {"a.so", "--rate", "fast"}, {"a.so", "--rate", "44100.5"}, {"a.so", "--rate", "7999"},
        {"a.so", "--rate", "384001"}, {"a.so", "--block", "0"}, {"a.so", "--block", "8193"},
        {"a.so", "--block", "64k"}, {"a.so", "--tempo", "nan"}, {"a.so", "--tempo", "inf"}, {"a.so", "--tempo", "5"},
        {"a.so", "--tail", "-1"}, {"a.so", "--param", "3"}, {"a.so", "--param", "3=1.5"},
        {"a.so", "--param", "-1=0.5"}, {"a.so", "--param", "x=0.5"}, {"a.so", "--param", "2="},
        {"a.so", "--float=yes"}, {"a.so", "-o", ""},
        {"a.so", "--host-vendor", "0123456789012345678901234567890123456789012345678901234567890123"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const char* a : args) shown += std::string(" ") + a;
        SCOPED_TRACE("arguments:" + shown);
        RenderOptions o;
        std::string error;
        EXPECT_FALSE(parse(args, o, error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace calverine::render
