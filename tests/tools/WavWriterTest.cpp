#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>

#include "ToolsTestSupport.h"
#include "WavWriter.h"

namespace calverine::render {
namespace {

TEST(WavWriterTest, WritesTwentyFourBitStereoAndClips) {
    test::TempFolder folder;
    const std::string path = folder.file("a.wav");
    const float left[] = {0.0f, 0.5f, -0.25f, 1.5f};
    const float right[] = {0.125f, -0.5f, 0.75f, -2.0f};
    {
        WavWriter w;
        std::string error;
        ASSERT_TRUE(w.open(path, 48000, WavWriter::Format::Pcm24, 4, 6, error)) << error;
        EXPECT_FALSE(std::filesystem::exists(path)) << "the final name appears only on commit";
        ASSERT_TRUE(w.write(left, right, 4, error)) << error;
        ASSERT_TRUE(w.write(left, right, 2, error)) << error;
        ASSERT_TRUE(w.commit(error)) << error;
    }
    EXPECT_EQ(folder.list(), std::vector<std::string>{"a.wav"});

    const test::WavData wav = test::readWav(path);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.sampleRate, 48000);
    EXPECT_EQ(wav.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    ASSERT_EQ(wav.frames, 6);
    const double lsb = 1.0 / (1 << 23);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(wav.left[static_cast<std::size_t>(i)], left[i], lsb);
        EXPECT_NEAR(wav.right[static_cast<std::size_t>(i)], right[i], lsb);
    }
    EXPECT_NEAR(wav.left[3], 1.0, 2 * lsb);
    EXPECT_NEAR(wav.right[3], -1.0, 2 * lsb);
    EXPECT_NEAR(wav.left[5], 0.5, lsb);
}

TEST(WavWriterTest, FloatKeepsSamplesExactly) {
    test::TempFolder folder;
    const std::string path = folder.file("f.wav");
    const float left[] = {0.1f, -1.75f};
    const float right[] = {1e-7f, 0.3f};
    WavWriter w;
    std::string error;
    ASSERT_TRUE(w.open(path, 44100, WavWriter::Format::Float32, 2, 2, error)) << error;
    ASSERT_TRUE(w.write(left, right, 2, error)) << error;
    ASSERT_TRUE(w.commit(error)) << error;

    const test::WavData wav = test::readWav(path);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(wav.left, (std::vector<float>{0.1f, -1.75f}));
    EXPECT_EQ(wav.right, (std::vector<float>{1e-7f, 0.3f}));
}

TEST(WavWriterTest, PlannedLengthBeyondFourGigabytesSelectsRf64) {
    test::TempFolder folder;
    const std::string path = folder.file("long.wav");
    const float left[] = {0.25f};
    const float right[] = {-0.25f};
    WavWriter w;
    std::string error;
    // Six bytes a frame: 800 million frames do not fit a WAV header.
    ASSERT_TRUE(w.open(path, 44100, WavWriter::Format::Pcm24, 1, 800'000'000, error)) << error;
    ASSERT_TRUE(w.write(left, right, 1, error)) << error;
    ASSERT_TRUE(w.commit(error)) << error;
    const test::WavData wav = test::readWav(path);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.format, SF_FORMAT_RF64 | SF_FORMAT_PCM_24);
    EXPECT_EQ(wav.frames, 1);
}

TEST(WavWriterTest, AbandonedWriteLeavesNothing) {
    test::TempFolder folder;
    const float silence[8] = {};
    {
        WavWriter w;
        std::string error;
        ASSERT_TRUE(w.open(folder.file("a.wav"), 44100, WavWriter::Format::Pcm24, 8, 8, error)) << error;
        ASSERT_TRUE(w.write(silence, silence, 8, error)) << error;
        EXPECT_EQ(folder.list().size(), 1u);  // the temporary file
    }
    EXPECT_TRUE(folder.list().empty());
}

}  // namespace
}  // namespace calverine::render
