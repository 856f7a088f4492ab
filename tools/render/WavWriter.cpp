#include "WavWriter.h"

#include <sndfile.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "Files.h"
#include "Process.h"

namespace calverine::render {

namespace {

// Leaves room for the header chunks within the 32-bit RIFF size.
constexpr std::int64_t kMaxWavDataBytes = 0xffffffffLL - 4096;

// libsndfile words a system failure as "System error : File too large.";
// the message we print only needs the reason.
std::string plainReason(std::string text) {
    const std::string prefix = "System error : ";
    if (text.rfind(prefix, 0) == 0) {
        text.erase(0, prefix.size());
    }
    while (!text.empty() && (text.back() == '.' || text.back() == '\n')) {
        text.pop_back();
    }
    return text.empty() ? "unknown error" : text;
}

}  // namespace

WavWriter::~WavWriter() {
    abort();
}

bool WavWriter::fail(const std::string& what, std::string& error) {
    error = "cannot write '" + path_ + "': " + what;
    abort();
    return false;
}

bool WavWriter::open(const std::string& path, int sampleRate, Format format, int maxFrames, std::int64_t expectedFrames,
                     std::string& error) {
    abort();
    path_ = path;
    temporaryPath_ = path + ".tmp-" + std::to_string(platform::processId());

    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    // A plain WAV header describes at most 4 GiB of data; longer renders are
    // written as RF64, its 64-bit extension.
    const std::int64_t bytesPerFrame = 2 * (format == Format::Float32 ? 4 : 3);
    const bool large = expectedFrames * bytesPerFrame > kMaxWavDataBytes;
    info.format =
        (large ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | (format == Format::Float32 ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24);

    // Created here rather than by libsndfile: creating only a new file
    // guarantees it is ours to remove, and a failure comes with a plain system
    // reason.
    int fd = platform::createNewFile(temporaryPath_);
    if (fd < 0 && errno == EEXIST) {
        // Left behind by an earlier run that had our process ID.
        removeTemporary();
        fd = platform::createNewFile(temporaryPath_);
    }
    if (fd < 0) {
        const int code = errno;
        temporaryPath_.clear();  // nothing of ours to remove
        error = "cannot write '" + path + "': " + std::strerror(code);
        return false;
    }
    fd_ = fd;
    file_ = sf_open_fd(fd_, SFM_WRITE, &info, SF_FALSE);
    if (file_ == nullptr) {
        return fail(plainReason(sf_strerror(nullptr)), error);
    }
    if (format == Format::Pcm24) {
        // Out-of-range samples are clipped instead of wrapping around.
        sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    }
    interleaved_.assign(static_cast<std::size_t>(maxFrames) * 2, 0.0f);
    return true;
}

bool WavWriter::write(const float* left, const float* right, int frames, std::string& error) {
    if (file_ == nullptr) {
        error = "cannot write '" + path_ + "': the file is not open";
        return false;
    }
    if (frames < 0 || static_cast<std::size_t>(frames) * 2 > interleaved_.size()) {
        return fail("internal error: block larger than announced", error);
    }
    for (int i = 0; i < frames; ++i) {
        interleaved_[2 * static_cast<std::size_t>(i)] = left[i];
        interleaved_[2 * static_cast<std::size_t>(i) + 1] = right[i];
    }
    const sf_count_t written = sf_writef_float(file_, interleaved_.data(), frames);
    if (written != frames) {
        if (sf_error(file_) == SF_ERR_NO_ERROR) {
            return fail("short write (disk full?)", error);
        }
        return fail(plainReason(sf_strerror(file_)), error);
    }
    return true;
}

bool WavWriter::commit(std::string& error) {
    if (file_ == nullptr) {
        error = "cannot write '" + path_ + "': the file is not open";
        return false;
    }
    // libsndfile finishes the header on close; a failure there (for example
    // a full disk) means the file is incomplete.
    const int closeResult = sf_close(file_);
    file_ = nullptr;
    if (closeResult != 0) {
        return fail(plainReason(sf_error_number(closeResult)), error);
    }
    // Some file systems report a failed write only here.
    const int fdResult = platform::closeFile(fd_);
    fd_ = -1;
    if (fdResult != 0) {
        return fail(std::strerror(errno), error);
    }
    if (!platform::replaceFile(temporaryPath_, path_)) {
        return fail(std::strerror(errno), error);
    }
    temporaryPath_.clear();
    return true;
}

void WavWriter::abort() {
    if (file_ != nullptr) {
        sf_close(file_);
        file_ = nullptr;
    }
    if (fd_ >= 0) {
        platform::closeFile(fd_);
        fd_ = -1;
    }
    if (!temporaryPath_.empty()) {
        removeTemporary();
        temporaryPath_.clear();
    }
}

void WavWriter::removeTemporary() const {
    std::error_code ignored;
    std::filesystem::remove(platform::toPath(temporaryPath_), ignored);
}

}  // namespace calverine::render
