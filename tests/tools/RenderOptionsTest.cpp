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

TEST(RenderOptionsTest, GeneticsTakesTwoOrThreeParentsAnAmountAndASeed) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse({"s.so", "song.mid", "--genetics", "a.fxp", "b.fxp", "--amount", "0.25", "--seed", "0x4D2"}, o,
                      error))
        << error;
    EXPECT_EQ(o.geneticsParents, (std::vector<std::string>{"a.fxp", "b.fxp"}));
    EXPECT_EQ(o.midiPath, "song.mid");
    ASSERT_TRUE(o.geneticsAmount && o.geneticsSeed);
    EXPECT_DOUBLE_EQ(*o.geneticsAmount, 0.25);
    EXPECT_EQ(*o.geneticsSeed, 0x4D2u);

    // Up to three files follow it; what comes after them is the plug-in.
    ASSERT_TRUE(parse({"--genetics=a.fxp", "b.fxp", "c.fxp", "s.so", "--amount=1", "--seed=4294967295"}, o, error))
        << error;
    EXPECT_EQ(o.geneticsParents, (std::vector<std::string>{"a.fxp", "b.fxp", "c.fxp"}));
    EXPECT_EQ(o.pluginPath, "s.so");
    EXPECT_EQ(*o.geneticsSeed, 4294967295u);
    ASSERT_TRUE(parse({"s.so", "--genetics", "a.fxp", "b.fxp", "--amount", "0"}, o, error)) << error;
    EXPECT_FALSE(o.geneticsSeed.has_value());

    const std::pair<std::vector<const char*>, std::string> refused[] = {
        {{"s.so", "--genetics", "a.fxp", "--amount", "0.5"}, "option --genetics needs 2 or 3 parent program files"},
        {{"s.so", "--genetics", "--amount", "0.5"}, "option --genetics needs 2 or 3 parent program files"},
        {{"s.so", "--genetics", "a.fxp", "b.fxp"}, "--genetics needs the breed amount: --amount X (from 0 to 1)"},
        {{"s.so", "--genetics", "a.fxp", "b.fxp", "--amount", "1.5"},
         "bad --amount: the breed amount must be from 0 to 1, not 1.5"},
        {{"s.so", "--genetics", "a.fxp", "b.fxp", "--amount", "half"}, "bad --amount: 'half' is not a number from 0 to 1"},
        {{"s.so", "--genetics", "a.fxp", "b.fxp", "--amount", "0.5", "--seed", "4294967296"},
         "bad --seed: '4294967296' is not a whole number from 0 to 4294967295 (or 0x0 to 0xffffffff)"},
        {{"s.so", "--amount", "0.5"}, "--amount goes with --genetics (see --help)"},
        {{"s.so", "--seed", "3"}, "--seed goes with --genetics (see --help)"},
        {{"s.so", "--genetics", "a.fxp", "b.fxp", "--amount", "0.5", "--patch", "p.fxp"},
         "--genetics and --patch both choose the patch to play; give one of them"},
        {{"--genetics", "a.fxp", "b.fxp", "s.so", "--amount", "0.5"},
         "missing PLUGIN.so (--genetics takes the three files after it; name the plug-in before it)"},
        {{"s.so", "--genetics", "a.fxp", "b.fxp", "--genetics", "c.fxp", "d.fxp", "--amount", "0.5"},
         "option --genetics is given twice"},
    };
    for (const auto& [args, message] : refused) {
        EXPECT_FALSE(parse(args, o, error)) << message;
        EXPECT_EQ(error, message);
    }
}

}  // namespace
}  // namespace calverine::render

TEST(RenderOptions, ScreenshotTakesAFileAndAnOptionalUiSize) {
    using calverine::render::RenderOptions;
    RenderOptions o;
    std::string error;
    const char* args[] = {"calverine-render", "plug.so", "--screenshot", "e.png", "--ui-size", "large"};
    ASSERT_TRUE(RenderOptions::parse(6, args, o, error)) << error;
    EXPECT_EQ(o.screenshotPath, "e.png");
    EXPECT_EQ(o.uiSize, 2);

    const char* bad[] = {"calverine-render", "plug.so", "--screenshot", "e.png", "--ui-size", "huge"};
    EXPECT_FALSE(RenderOptions::parse(6, bad, o = {}, error));
    EXPECT_EQ(error, "bad --ui-size 'huge': expected small, medium or large");
    const char* alone[] = {"calverine-render", "plug.so", "--ui-size", "small"};
    EXPECT_FALSE(RenderOptions::parse(4, alone, o = {}, error));
    EXPECT_EQ(error, "--ui-size goes with --screenshot (see --help)");
}
