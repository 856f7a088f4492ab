// Writes a stereo WAV through libsndfile without ever leaving a half-written
// file under the final name: samples go to "<path>.tmp-<pid>" in the same
// folder, and commit() renames that over <path> once it is complete. Any
// failure, abort() or destruction before commit() removes the temporary file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct sf_private_tag;

namespace calverine::render {

class WavWriter {
public:
    enum class Format { Pcm24, Float32 };

    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates the temporary file. `maxFrames` is the most frames one write()
    // will carry; the interleaving buffer is allocated here, once.
    // `expectedFrames` (the planned length) picks RF64 over WAV when the data
    // will not fit a WAV header.
    bool open(const std::string& path, int sampleRate, Format format, int maxFrames, std::int64_t expectedFrames,
              std::string& error);

    // Appends `frames` frames (at most maxFrames) from two channel buffers.
    bool write(const float* left, const float* right, int frames, std::string& error);

    // Closes the file and moves it to its final name.
    bool commit(std::string& error);

    // Drops everything written so far.
    void abort();

    const std::string& temporaryPath() const { return temporaryPath_; }

private:
    bool fail(const std::string& what, std::string& error);
    void removeTemporary() const;

    sf_private_tag* file_ = nullptr;
    int fd_ = -1;
    std::string path_;
    std::string temporaryPath_;
    std::vector<float> interleaved_;
};

}  // namespace calverine::render
