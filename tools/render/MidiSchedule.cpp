#include "MidiSchedule.h"

#if CALVERINE_HAVE_LIBSMF
// smf.h includes glib.h inside its own extern "C" block, where GLib's C++
// parts do not compile; including glib.h first keeps them out of it.
#include <glib.h>
#include <smf.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "SmfChecker.h"

namespace calverine::render {

namespace {

constexpr long kMaxMidiFileBytes = 64L * 1024 * 1024;

#if CALVERINE_HAVE_LIBSMF
// libsmf reports through GLib's log. While it runs, its messages are caught
// here instead of going to stderr: a failure becomes one line of ours, and
// harmless warnings about sloppy files stay quiet.
class SmfLogCapture {
public:
    SmfLogCapture() { previous_ = g_log_set_default_handler(&SmfLogCapture::handle, this); }
    ~SmfLogCapture() { g_log_set_default_handler(previous_, previousData_); }
    SmfLogCapture(const SmfLogCapture&) = delete;
    SmfLogCapture& operator=(const SmfLogCapture&) = delete;

    const std::string& lastError() const { return lastError_; }

private:
    static void handle(const gchar*, GLogLevelFlags level, const gchar* message, gpointer self) {
        auto* capture = static_cast<SmfLogCapture*>(self);
        if ((level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL)) != 0 && message != nullptr) {
            capture->lastError_ = message;
        }
    }

    GLogFunc previous_ = nullptr;
    gpointer previousData_ = nullptr;
    std::string lastError_;
};

struct SmfDeleter {
    void operator()(smf_t* smf) const { smf_delete(smf); }
};
#endif

}  // namespace

int MidiSchedule::channelMessageSize(std::uint8_t status) {
    switch (status & 0xf0) {
        case 0x80:  // note off
        case 0x90:  // note on
        case 0xa0:  // polyphonic pressure
        case 0xb0:  // control change
        case 0xe0:  // pitch bend
            return 3;
        case 0xc0:  // program change
        case 0xd0:  // channel pressure
            return 2;
        default:
            return 0;
    }
}

bool MidiSchedule::loadFile(const std::string& path, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        error = "cannot read MIDI file '" + path + "': " + std::strerror(errno);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
        bytes.insert(bytes.end(), buffer, buffer + n);
        if (static_cast<long>(bytes.size()) > kMaxMidiFileBytes) {
            error = "MIDI file '" + path + "' is too large";
            return false;
        }
        if (n < sizeof buffer) {
            break;
        }
    }
    if (std::ferror(file.get())) {
        error = "cannot read MIDI file '" + path + "': " + std::strerror(errno);
        return false;
    }
    return loadBytes(bytes, path, error);
}

bool MidiSchedule::loadBytes(const std::vector<std::uint8_t>& bytes, const std::string& name, std::string& error) {
    std::string reason;
    if (!SmfChecker::check(bytes, reason)) {
        error = "cannot parse MIDI file '" + name + "': " + reason;
        return false;
    }

#if CALVERINE_HAVE_LIBSMF
    SmfLogCapture capture;
    std::unique_ptr<smf_t, SmfDeleter> smf(smf_load_from_memory(bytes.data(), static_cast<int>(bytes.size())));
    if (!smf) {
        reason = capture.lastError().empty() ? "libsmf refused it" : capture.lastError();
        error = "cannot parse MIDI file '" + name + "': " + reason;
        return false;
    }

    events_.clear();
    smf_rewind(smf.get());
    while (smf_event_t* event = smf_get_next_event(smf.get())) {
        if (smf_event_is_metadata(event) || smf_event_is_sysex(event) || event->midi_buffer_length < 1) {
            continue;
        }
        const std::uint8_t status = event->midi_buffer[0];
        const int size = channelMessageSize(status);
        if (size == 0 || event->midi_buffer_length < size || !std::isfinite(event->time_seconds)) {
            continue;
        }
        TimedMidi m;
        m.seconds = std::max(0.0, event->time_seconds);
        m.size = static_cast<std::uint8_t>(size);
        for (int i = 0; i < size; ++i) {
            m.bytes[static_cast<std::size_t>(i)] = event->midi_buffer[i];
        }
        events_.push_back(m);
    }
    // libsmf hands out events of all tracks merged in time order already;
    // sorting again only guards the invariant the renderer relies on.
    sortByTime();

    tempoMap_ = TempoMap();
    for (int i = 0;; ++i) {
        const smf_tempo_t* tempo = smf_get_tempo_by_number(smf.get(), i);
        if (tempo == nullptr) {
            break;
        }
        if (tempo->microseconds_per_quarter_note > 0) {
            tempoMap_.addChange(tempo->time_seconds, 60.0e6 / tempo->microseconds_per_quarter_note);
        }
    }
    return true;
#else
    // libsmf needs GLib, which is not built for Windows.
    error = "cannot play MIDI file '" + name + "': this build reads no MIDI files (the built-in demo phrase works)";
    return false;
#endif
}

void MidiSchedule::add(double seconds, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    TimedMidi m;
    m.seconds = seconds;
    m.size = static_cast<std::uint8_t>(channelMessageSize(status) == 2 ? 2 : 3);
    m.bytes = {status, data1, m.size == 3 ? data2 : std::uint8_t{0}};
    events_.push_back(m);
}

void MidiSchedule::sortByTime() {
    std::stable_sort(events_.begin(), events_.end(),
                     [](const TimedMidi& a, const TimedMidi& b) { return a.seconds < b.seconds; });
}

double MidiSchedule::lastEventSeconds() const {
    double last = 0.0;
    for (const TimedMidi& m : events_) {
        last = std::max(last, m.seconds);
    }
    return last;
}

std::vector<FrameMidi> MidiSchedule::toFrames(double sampleRate) const {
    std::vector<FrameMidi> out;
    out.reserve(events_.size());
    for (const TimedMidi& m : events_) {
        out.push_back({std::llround(m.seconds * sampleRate), m.bytes, m.size});
    }
    return out;
}

}  // namespace calverine::render
