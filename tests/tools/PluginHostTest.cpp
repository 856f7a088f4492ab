#include <gtest/gtest.h>

#include <cstdlib>

#include "PluginHost.h"
#include "ToolsTestSupport.h"

namespace calverine::render {
namespace {

using test::fact;

// Points the test plug-in's report at a file for the length of a test.
class PluginHostTest : public testing::Test {
protected:
    void SetUp() override {
        reportPath_ = folder_.file("report.txt");
        setenv("CALVERINE_TEST_SYNTH_REPORT", reportPath_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("CALVERINE_TEST_SYNTH_REPORT");
        unsetenv("CALVERINE_TEST_SYNTH_MODE");
    }
    test::Report report() const { return test::readReport(reportPath_); }

    test::TempFolder folder_;
    std::string reportPath_;
};

FrameMidi midi(std::int64_t frame, std::uint8_t status, std::uint8_t a, std::uint8_t b) {
    return FrameMidi{frame, {status, a, b}, 3};
}

TEST_F(PluginHostTest, DrivesThePluginThroughItsLifeCycle) {
    {
        PluginHost host({48000, 128, "Brindle Audio", {}});
        std::string error;
        ASSERT_TRUE(host.load(test::testSynthPath(), error)) << error;
        EXPECT_EQ(host.numParams(), 4);
        host.open(4);
        host.setProgramChunk({0xca, 0xfe});
        host.resume();
        host.setParameter(1, 0.75f);
        host.processBlock(0, 128, {});
        host.shutdown();
        host.shutdown();  // a second call does nothing
    }
    const test::Report r = report();
    EXPECT_EQ(fact(r, "hostVersion"), "2400");  // asked before the descriptor existed
    EXPECT_EQ(fact(r, "vendor"), "Brindle Audio");
    EXPECT_EQ(fact(r, "product"), "calverine-render");
    EXPECT_EQ(fact(r, "canDoTimeInfo"), "1");
    EXPECT_EQ(fact(r, "canDoNonsense"), "0");
    EXPECT_EQ(fact(r, "wantMidi"), "1");
    EXPECT_EQ(fact(r, "sampleRate"), "48000.000");
    EXPECT_EQ(fact(r, "blockSize"), "128");
    EXPECT_EQ(fact(r, "calls"), "open rate block chunk resume start stop suspend close");
    EXPECT_EQ(fact(r, "chunk"), "1 2 cafe");
    EXPECT_EQ(fact(r, "param"), "1 0.750000");
    EXPECT_EQ(fact(r, "blocks"), "1");
    EXPECT_EQ(fact(r, "processWhileSuspended"), "0");
}

TEST_F(PluginHostTest, EventsArriveInlineAndAtTheirFrame) {
    PluginHost host({44100, 64, PluginHost::kDefaultVendor, {}});
    std::string error;
    ASSERT_TRUE(host.load(test::testSynthPath(), error)) << error;
    host.open(10);
    host.resume();
    host.processBlock(0, 64, {});
    EXPECT_LT(test::firstSoundAt(std::vector<float>(host.left(), host.left() + 64)), 0);

    // Ten events in the second block: more than the two slots VstEvents
    // declares. The note starts at frame 64 + 5.
    std::vector<FrameMidi> events = {midi(69, 0x90, 69, 100)};
    for (int i = 0; i < 9; ++i) {
        events.push_back(midi(70 + i, 0xb0, 1, static_cast<std::uint8_t>(i)));
    }
    host.processBlock(64, 64, events);
    const std::vector<float> left(host.left(), host.left() + 64);
    const std::vector<float> right(host.right(), host.right() + 64);
    EXPECT_EQ(test::firstSoundAt(left), 5);
    EXPECT_EQ(left, right);
    EXPECT_DOUBLE_EQ(host.timeInfo().samplePos, 64.0);
    EXPECT_DOUBLE_EQ(host.timeInfo().sampleRate, 44100.0);
    host.shutdown();

    const test::Report r = report();
    EXPECT_EQ(fact(r, "maxEventsPerCall"), "10");
    EXPECT_EQ(fact(r, "events"), "10");
    EXPECT_EQ(fact(r, "noteOns"), "1");
    EXPECT_EQ(fact(r, "controllers"), "9");
    EXPECT_EQ(fact(r, "badEventSize"), "0");
    EXPECT_EQ(fact(r, "badDeltas"), "0");
    EXPECT_EQ(fact(r, "unordered"), "0");
}

TEST_F(PluginHostTest, CallbackAnswersWithoutAnEffect) {
    EXPECT_EQ(PluginHost::callback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f), 2400);
    EXPECT_EQ(PluginHost::callback(nullptr, audioMasterGetTime, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(PluginHost::callback(nullptr, 12345, 0, 0, nullptr, 0.0f), 0);
}

struct BadPlugin {
    std::string path;
    const char* mode;
    const char* expected;
};

TEST_F(PluginHostTest, LoadsTheOldEntryPointNameAndRefusesWhatIsNotAPlugin) {
    PluginHost legacy({44100, 512, PluginHost::kDefaultVendor, {}});
    std::string error;
    ASSERT_TRUE(legacy.load(TEST_SYNTH_LEGACY_PLUGIN_PATH, error)) << error;
    EXPECT_NE(legacy.effect(), nullptr);

    const std::string fake = folder_.file("fake.so");
    test::writeText(fake, "this is not an ELF file\n");
    const std::vector<BadPlugin> cases = {
        {"/nonexistent/calverine/x.so", "", "cannot load plug-in"},
        {fake, "", "cannot load plug-in"},
        {TEST_NO_ENTRY_PLUGIN_PATH, "", "neither VSTPluginMain nor main"},
        {test::testSynthPath(), "null", "returned no effect"},
        {test::testSynthPath(), "badmagic", "wrong magic"},
    };
    for (const BadPlugin& c : cases) {
        SCOPED_TRACE(c.expected);
        setenv("CALVERINE_TEST_SYNTH_MODE", c.mode, 1);
        PluginHost host({44100, 512, PluginHost::kDefaultVendor, {}});
        EXPECT_FALSE(host.load(c.path, error));
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_EQ(host.effect(), nullptr);
    }
}

}  // namespace
}  // namespace calverine::render
