#include "Renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <span>

#include "DemoPhrase.h"
#include "Genetics.h"
#include "MidiSchedule.h"
#include "PeakMeter.h"
#include "PatchChunk.h"
#include "PluginHost.h"
#include "Process.h"
#include "ProgramFile.h"
#include "ProgressBar.h"
#include "VendorRequests.h"
#include "WavWriter.h"

namespace calverine::render {

namespace {

// The unique ID of the instrument whose patches --genetics breeds.
constexpr VstInt32 kCalverineId = ('C' << 24) | ('L' << 16) | ('V' << 8) | 'S';

// The largest number of events that fall into any one block.
int maxEventsPerBlock(const std::vector<FrameMidi>& events, int blockSize) {
    int most = 0;
    std::size_t first = 0;
    while (first < events.size()) {
        const std::int64_t block = events[first].frame / blockSize;
        std::size_t last = first;
        while (last < events.size() && events[last].frame / blockSize == block) {
            ++last;
        }
        most = std::max(most, static_cast<int>(last - first));
        first = last;
    }
    return most;
}

}  // namespace

Renderer::Renderer(const RenderOptions& options, std::FILE* out, std::FILE* err,
                   const volatile std::sig_atomic_t* stopRequested)
    : options_(options), out_(out), err_(err), stopRequested_(stopRequested) {}

int Renderer::report(int status, const std::string& message) {
    std::fprintf(err_, "calverine-render: %s\n", message.c_str());
    std::fflush(err_);
    return status;
}

int Renderer::run() {
    const int rate = options_.sampleRate;
    const int blockSize = options_.blockSize;
    std::string error;

    // What to play.
    MidiSchedule schedule;
    if (!options_.midiPath.empty()) {
        if (!schedule.loadFile(options_.midiPath, error)) {
            return report(kExitBadInput, error);
        }
    } else {
        schedule = DemoPhrase::build(options_.tempo.value_or(TempoMap::kDefaultTempo));
    }
    const TempoMap tempoMap = options_.tempo ? TempoMap(*options_.tempo) : schedule.tempoMap();

    ProgramFile program;
    if (!options_.programPath.empty() && !program.load(options_.programPath, error)) {
        return report(kExitBadInput, error);
    }

    // A bred patch: the same child calverine-patch breed writes, handed over as a chunk.
    std::vector<std::uint8_t> childChunk;
    genetics::Record record;
    if (!options_.geneticsParents.empty()) {
        PluginParameters child;
        if (!genetics::breedFiles(options_.geneticsParents, options_.geneticsAmount.value_or(0.0),
                                  options_.geneticsSeed, child, record, error)) {
            return report(kExitBadInput, "--genetics: " + error);
        }
        patch::writeChunk(child, childChunk);
    }

    // The plug-in.
    PluginHost host({rate, blockSize, options_.hostVendor, {}});
    if (!host.load(options_.pluginPath, error)) {
        return report(kExitBadInput, error);
    }
    if (!childChunk.empty() && host.effect()->uniqueID != kCalverineId) {
        return report(kExitBadInput, "--genetics breeds Calverine patches, but '" + options_.pluginPath +
                                         "' is another plug-in");
    }
    for (const ParameterSetting& p : options_.parameters) {
        if (p.index >= host.numParams()) {
            return report(kExitBadInput, "bad --param: index " + std::to_string(p.index) +
                                             " is out of range, the plug-in has " + std::to_string(host.numParams()) +
                                             " parameters");
        }
    }

    // The render's length: up to the last event, then the tail.
    const std::vector<FrameMidi> events = schedule.toFrames(rate);
    const std::int64_t tailFrames = std::llround(options_.tailSeconds * rate);
    const std::int64_t totalFrames =
        events.empty() ? tailFrames : std::max(events.back().frame + tailFrames, events.back().frame + 1);
    const double audioSeconds = static_cast<double>(totalFrames) / rate;

    WavWriter writer;
    if (!options_.bench && options_.screenshotPath.empty()) {
        const auto format = options_.floatOutput ? WavWriter::Format::Float32 : WavWriter::Format::Pcm24;
        if (!writer.open(options_.outputPath, rate, format, blockSize, totalFrames, error)) {
            return report(kExitWriteFailed, error);
        }
    }

    host.setTempoMap(tempoMap);
    host.open(maxEventsPerBlock(events, blockSize));
    if (!program.chunk().empty()) {
        host.setProgramChunk(program.chunk());
    }
    if (!childChunk.empty()) {
        host.setProgramChunk(childChunk);
        if (!options_.quiet) {
            std::fprintf(out_, "genetics seed 0x%x\n", static_cast<unsigned>(record.seed));
            std::fflush(out_);
        }
    }
    host.resume();
    for (const ParameterSetting& p : options_.parameters) {
        host.setParameter(p.index, p.value);
    }
    if (!options_.screenshotPath.empty()) {
        if (host.vendorRequest(kScreenshotRequest, options_.uiSize,
                          const_cast<char*>(options_.screenshotPath.c_str())) != 1) {
            return report(kExitWriteFailed, "the plug-in could not draw its editor into '" +
                                                options_.screenshotPath + "'");
        }
        if (!options_.quiet) std::fprintf(out_, "editor drawn into %s\n", options_.screenshotPath.c_str());
        return kExitOk;
    }

    using Clock = std::chrono::steady_clock;
    ProgressBar progress(err_, !options_.quiet && !options_.bench && platform::isTerminal(err_), audioSeconds);
    PeakMeter level;
    double slowestBlock = 0.0;
    std::int64_t blocks = 0;
    const auto renderStart = Clock::now();

    std::size_t nextEvent = 0;
    for (std::int64_t blockStart = 0; blockStart < totalFrames; blockStart += blockSize) {
        if (stopRequested_ != nullptr && *stopRequested_ != 0) {
            progress.finish();
            writer.abort();
            return report(kExitInterrupted, "interrupted; nothing written");
        }
        const int frames = static_cast<int>(std::min<std::int64_t>(blockSize, totalFrames - blockStart));
        std::size_t end = nextEvent;
        while (end < events.size() && events[end].frame < blockStart + frames) {
            ++end;
        }
        const std::span<const FrameMidi> blockEvents(events.data() + nextEvent, end - nextEvent);
        nextEvent = end;

        const auto blockBegin = Clock::now();
        host.processBlock(blockStart, frames, blockEvents);
        slowestBlock = std::max(slowestBlock, std::chrono::duration<double>(Clock::now() - blockBegin).count());
        ++blocks;

        if (!options_.bench) {
            if (!writer.write(host.left(), host.right(), frames, error)) {
                progress.finish();
                return report(kExitWriteFailed, error);
            }
            level.add(host.left(), host.right(), frames);
        }
        progress.update(static_cast<double>(blockStart + frames) / static_cast<double>(totalFrames));
    }
    const double wallSeconds = std::chrono::duration<double>(Clock::now() - renderStart).count();
    progress.finish();
    host.shutdown();

    if (options_.bench) {
        const double factor = wallSeconds > 0.0 ? audioSeconds / wallSeconds : 0.0;
        const double meanBlock = blocks > 0 ? wallSeconds / static_cast<double>(blocks) : 0.0;
        std::fprintf(out_, "rendered %.3f s of audio at %d Hz in %.4f s\n", audioSeconds, rate, wallSeconds);
        std::fprintf(out_, "real-time factor: %.1f\n", factor);
        std::fprintf(out_, "per block (%d frames): mean %.1f us, slowest %.1f us, real-time budget %.1f us\n",
                     blockSize, meanBlock * 1e6, slowestBlock * 1e6, 1e6 * blockSize / rate);
        std::fflush(out_);
        return kExitOk;
    }
    if (!writer.commit(error)) {
        return report(kExitWriteFailed, error);
    }
    // The level is news (--quiet drops it); clipping is a warning.
    if (!options_.quiet) {
        std::fprintf(out_, "%s\n", level.peakLine().c_str());
        std::fflush(out_);
    }
    if (!options_.floatOutput && level.overFullScale() > 0) {
        std::fprintf(err_, "calverine-render: warning: %s\n", level.clippingWarning().c_str());
        std::fflush(err_);
    }
    return kExitOk;
}

}  // namespace calverine::render
