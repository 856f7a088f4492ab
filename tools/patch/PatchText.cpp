// Patch text, line by line. '#' starts a comment that runs to the end of the
// line (in the name line, only outside the quotes); blank lines are ignored.
// Every other line is one of
//
//   version = 13                    the patch version the values are written in
//   name = "Glass Organ"            up to 31 bytes; escapes \" \\ and \xHH
//   words = 0x00000000 0x0000002a   the two preset words
//   info 96 = 2a00ff10              information-block bytes from byte 96, in hex
//   PART  CONTROL = VALUE           one stored value
//   lfo 1 steps 1-16 = V V ... V    step values of step LFO 1 or 2 (steps 1-512)
//
// PART is global, A, B, or voice 1 to voice 16 (the voice slots 0 to 15).
// CONTROL is the host parameter name of that setting ("Volume", "[A] Filter
// Freq"; runs of blanks count as one) or "control N" with the control id,
// which also reaches the settings without a host parameter. VALUE is the
// stored value in the control's own scale (not the host's 0..1), as a
// decimal number; NaN and infinities are refused.
//
// The version, name and words lines, each setting, and each step and
// information byte may be given once. Whatever the text leaves out keeps its Init Patch value: the name "Init
// Patch", zero words, information bytes and steps, and every control's
// default; without a version line the values are taken as the current
// version. Bytes 512-515 of the information block always carry the version
// the tool writes, whatever the text says for them.
//
// The formatter writes every value line in the order of the default-value
// table, the information block in rows of 32 bytes and the steps 16 to a
// line, leaving out rows and lines that are all zero. Numbers are written in
// the shortest form that reads back to the same float, and the value as the
// plug-in would show it follows as a comment.
#include "PatchText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <string_view>
#include <vector>

#include "ParameterTable.h"
#include "ValueDisplay.h"

namespace calverine::patchtext {

namespace {

constexpr std::size_t kNameBytes = sizeof(Preset::name) - 1;
constexpr std::size_t kInfoRow = 32;
constexpr std::size_t kStepsPerLine = 16;
constexpr std::size_t kVersionBytes = 4;
constexpr int kPartColumn = 9;
constexpr int kControlColumn = 26;
constexpr int kValueColumn = 15;
// Values farther from zero than this have no meaningful display text (and
// the formatter's integer conversions would overflow).
constexpr float kDisplayLimit = 1.0e6f;
constexpr int kStepShape = 3;

constexpr std::uint32_t kNameTag = patch::tag("name"), kParaTag = patch::tag("para");

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Concatenation by appending (GCC 12 misreads `"x" + std::string`).
template <typename... Parts>
std::string cat(const Parts&... parts) {
    std::string s;
    (s.append(parts), ...);
    return s;
}

std::string number(long n) { return std::to_string(n); }

std::string floatText(float v) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::string(text, end);
}

void pad(std::string& out, std::size_t from, int width) {
    const std::size_t used = out.size() - from;
    out.append(used < static_cast<std::size_t>(width) ? static_cast<std::size_t>(width) - used : 1, ' ');
}

const char kHex[] = "0123456789abcdef";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Blank-separated words.
std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && isBlank(s[i])) ++i;
        const std::size_t start = i;
        while (i < s.size() && !isBlank(s[i])) ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

// Words joined by single spaces: names compare with runs of blanks as one.
std::string collapse(std::string_view s) {
    std::string out;
    for (std::string_view w : words(s)) {
        if (!out.empty()) out.push_back(' ');
        out.append(w);
    }
    return out;
}

// A whole word as a decimal integer.
bool parseInt(std::string_view s, long& value) {
    if (s.empty() || s.size() > 9) return false;
    const auto result = std::from_chars(s.data(), s.data() + s.size(), value);
    return result.ec == std::errc() && result.ptr == s.data() + s.size();
}

// --- parts and controls ---------------------------------------------------

enum class PartKind { Global, Part, Voice };

PartKind kindOfControl(int control) {
    if (params::isVoiceAdjustment(control)) return PartKind::Voice;
    if (params::isPartControl(control)) return PartKind::Part;
    return PartKind::Global;
}

// "global", "A", "B" or "voice N" (N from 1) for a record's part.
std::string partLabel(int control, int part) {
    switch (kindOfControl(control)) {
    case PartKind::Voice: return cat("voice ", number(part + 1));
    case PartKind::Part: return part == 0 ? "A" : "B";
    default: return "global";
    }
}

// The same with "part" before A and B, for messages.
std::string partPhrase(int control, int part) {
    return kindOfControl(control) == PartKind::Part ? cat("part ", partLabel(control, part)) : partLabel(control, part);
}

const char* kindPhrase(PartKind kind) {
    switch (kind) {
    case PartKind::Voice: return "a per-voice setting";
    case PartKind::Part: return "a per-part setting";
    default: return "a global setting";
    }
}

struct Names {
    // (control, record part) -> record number.
    std::map<std::pair<int, int>, int> records;
    std::vector<bool> controlExists = std::vector<bool>(params::kControlIds, false);
    // Collapsed host parameter name -> (control, part).
    std::map<std::string, std::pair<int, int>, std::less<>> byName;
    // (control, part) -> host parameter name.
    std::map<std::pair<int, int>, const char*> hostName;
};

const Names& names() {
    static const Names table = [] {
        Names n;
        const auto& records = params::defaultRecords();
        for (std::size_t r = 0; r < records.size(); ++r) {
            n.records[{records[r].control, records[r].part}] = static_cast<int>(r);
            n.controlExists[static_cast<std::size_t>(records[r].control)] = true;
        }
        for (int i = 0; i < params::kHostParameters; ++i) {
            const params::HostParameter* p = params::hostParameter(i);
            n.byName.emplace(collapse(p->name), std::make_pair(p->control, p->part));
            n.hostName.emplace(std::make_pair(p->control, p->part), p->name);
        }
        return n;
    }();
    return table;
}

std::string controlName(int control, int part) {
    const auto& hostNames = names().hostName;
    const auto it = hostNames.find({control, part});
    return it != hostNames.end() ? std::string(it->second) : cat("control ", number(control));
}

// --- formatting -----------------------------------------------------------

std::string quotedName(const char* name) {
    std::string out = "\"";
    for (std::size_t i = 0; i < kNameBytes && name[i] != '\0'; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else if (c < 0x20 || c >= 0x7f) {
            out.append("\\x");
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    out.push_back('"');
    return out;
}

std::string displayText(int control, float value, const DisplayContext& context) {
    if (!(std::fabs(value) <= kDisplayLimit)) return "";
    // A free-running LFO rate shows in hertz, which only the running engine knows.
    if ((control == 20 && context.lfoShape[0] != kStepShape) || (control == 33 && context.lfoShape[1] != kStepShape))
        return "";
    char text[64];
    formatControlValue(control, value, context, text, sizeof text);
    return text;
}

int shapeOf(float stored) { return std::fabs(stored) <= kDisplayLimit ? static_cast<int>(stored) : 0; }

}  // namespace

// --- reading chunks -------------------------------------------------------

bool loadChunk(const std::uint8_t* data, std::size_t size, PluginParameters& store, std::int32_t& version,
               std::string& error) {
    if (!patch::readChunk(data, size, store)) {
        error = cat("the patch is too short (", number(static_cast<long>(size)), " bytes, at least ",
                    number(Preset::kInfoSize), " needed)");
        return false;
    }
    version = patch::versionOf(data, size);
    Preset& preset = store.current();
    float wheel = std::numeric_limits<float>::quiet_NaN();
    // The same sections readChunk took, for what it changes on the way.
    patch::SectionWalk walk(data, size);
    patch::Section section;
    while (walk.next(section)) {
        if (section.tag == kNameTag) {
            char text[sizeof(Preset::name)] = {};
            const std::uint64_t bytes = static_cast<std::uint64_t>(section.elementSize) * section.count;
            std::memcpy(text, section.data, static_cast<std::size_t>(std::min<std::uint64_t>(bytes, kNameBytes)));
            std::memcpy(preset.name, text, sizeof text);
        } else if (section.tag == kParaTag && section.elementSize >= 8) {
            // As in the reader: the last entry of a section counts, and a
            // later section overrides an earlier one only with a number.
            float last = std::numeric_limits<float>::quiet_NaN();
            for (std::uint32_t i = 0; i < section.count; ++i) {
                const patch::ParaEntry e = patch::paraEntry(section, i);
                if (e.control == params::kPitchWheel && e.part == 0) last = e.value;
            }
            if (std::isfinite(last)) wheel = last;
        }
    }
    if (std::isfinite(wheel)) store.setValue(params::kPitchWheel, wheel, -1);
    return true;
}

std::string formatPatch(const PluginParameters& store, std::int32_t sourceVersion) {
    const Preset& preset = store.getPreset(store.currentPreset);
    std::string out;
    out.append("# Calverine patch: one setting per line; a setting left out keeps its Init Patch value.\n");
    if (sourceVersion != patch::kCurrentVersion)
        out.append(cat("# Read from a version ", number(sourceVersion), " patch and brought up to version ",
                       number(patch::kCurrentVersion), ".\n"));
    out.append(cat("version = ", number(patch::kCurrentVersion), "\n"));
    out.append(cat("name = ", quotedName(preset.name), "\n"));
    char wordText[40];
    std::snprintf(wordText, sizeof wordText, "0x%08x 0x%08x", static_cast<unsigned>(preset.words[0]),
                  static_cast<unsigned>(preset.words[1]));
    out.append(cat("words = ", wordText, "\n"));

    // The version bytes are left out: the tool writes them.
    std::array<std::uint8_t, Preset::kInfoSize> info = preset.info;
    std::fill_n(info.begin() + patch::kVersionOffset, kVersionBytes, std::uint8_t{0});
    for (std::size_t at = 0; at < info.size(); at += kInfoRow) {
        const std::size_t n = std::min(kInfoRow, info.size() - at);
        if (std::all_of(info.begin() + static_cast<long>(at), info.begin() + static_cast<long>(at + n),
                        [](std::uint8_t b) { return b == 0; }))
            continue;
        out.append(cat("info ", number(static_cast<long>(at)), " = "));
        for (std::size_t i = at; i < at + n; ++i) {
            out.push_back(kHex[info[i] >> 4]);
            out.push_back(kHex[info[i] & 15]);
        }
        out.push_back('\n');
    }

    DisplayContext context;
    for (int l = 0; l < 2; ++l) context.lfoShape[l] = shapeOf(store.getValue(control::kLfo[l].shape, -1, store.currentPreset));
    out.append("\n");
    std::size_t column = out.size();
    out.append("# part");
    pad(out, column, kPartColumn);
    column = out.size();
    out.append("control");
    pad(out, column, kControlColumn + 2);
    column = out.size();
    out.append("value");
    pad(out, column, kValueColumn);
    out.append("shown as\n");
    const auto& records = params::defaultRecords();
    for (std::size_t r = 0; r < records.size(); ++r) {
        const int control = records[r].control, part = records[r].part;
        const float value = preset.values[r];
        std::size_t from = out.size();
        out.append(partLabel(control, part));
        pad(out, from, kPartColumn);
        from = out.size();
        out.append(controlName(control, part));
        pad(out, from, kControlColumn);
        out.append("= ");
        from = out.size();
        out.append(floatText(value));
        const std::string shown = displayText(control, value, context);
        if (!shown.empty()) {
            pad(out, from, kValueColumn);
            out.append(cat("# ", shown));
        }
        out.push_back('\n');
    }

    for (std::size_t lfo = 0; lfo < preset.steps.size(); ++lfo) {
        const auto& steps = preset.steps[lfo];
        bool first = true;
        for (std::size_t at = 0; at < steps.size(); at += kStepsPerLine) {
            if (std::all_of(steps.begin() + static_cast<long>(at), steps.begin() + static_cast<long>(at + kStepsPerLine),
                            [](float v) { return sameBits(v, 0.0f); }))
                continue;
            if (first) out.push_back('\n');
            first = false;
            out.append(cat("lfo ", number(static_cast<long>(lfo + 1)), " steps ", number(static_cast<long>(at + 1)), "-",
                           number(static_cast<long>(at + kStepsPerLine)), " ="));
            for (std::size_t i = at; i < at + kStepsPerLine; ++i) out.append(cat(" ", floatText(steps[i])));
            out.push_back('\n');
        }
    }
    return out;
}

// --- parsing --------------------------------------------------------------

namespace {

class Parser {
public:
    explicit Parser(PluginParameters& store) : preset_(store.current()) {}

    bool parse(std::string_view text, std::string& error) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte-order mark
        std::size_t pos = 0;
        while (pos <= text.size()) {
            ++line_;
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            std::string_view content = text.substr(pos, end - pos);
            if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
            if (!parseLine(content)) {
                error = cat("line ", number(line_), ": ", message_);
                return false;
            }
            pos = end + 1;
        }
        return true;
    }

private:
    bool fail(std::string message) {
        message_ = std::move(message);
        return false;
    }

    static std::string_view stripComment(std::string_view s, bool quotes) {
        bool inQuotes = false;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (quotes && s[i] == '"') inQuotes = !inQuotes;
            else if (inQuotes && s[i] == '\\') ++i;
            else if (!inQuotes && s[i] == '#') return s.substr(0, i);
        }
        return s;
    }

    bool parseLine(std::string_view raw) {
        const auto first = words(raw.substr(0, raw.find_first_of("=#")));
        const std::string_view content = trim(stripComment(raw, !first.empty() && first[0] == "name"));
        if (content.empty()) return true;
        const std::size_t eq = content.find('=');
        if (eq == std::string_view::npos) return fail("missing '=' between the setting and its value");
        const std::string_view left = trim(content.substr(0, eq)), right = trim(content.substr(eq + 1));
        const auto key = words(left);
        if (key.empty()) return fail("missing setting before '='");
        if (key[0] == "version") return key.size() == 1 ? setVersion(right) : fail("expected 'version = N'");
        if (key[0] == "name") return key.size() == 1 ? setName(right) : fail("expected 'name = \"...\"'");
        if (key[0] == "words") return key.size() == 1 ? setWords(right) : fail("expected 'words = 0x... 0x...'");
        if (key[0] == "info") return setInfo(key, right);
        if (key[0] == "lfo") return setSteps(key, right);
        return setValue(left, key, right);
    }

    bool once(int& seenOn, const std::string& what) {
        if (seenOn != 0) return fail(cat(what, " is already set on line ", number(seenOn)));
        seenOn = line_;
        return true;
    }

    bool setVersion(std::string_view text) {
        long version = 0;
        if (!parseInt(text, version)) return fail(cat("'", text, "' is not a version number"));
        if (version != patch::kCurrentVersion)
            return fail(cat("version ", number(version), " is not supported; this tool writes version ",
                            number(patch::kCurrentVersion)));
        return once(versionLine_, "the version");
    }

    bool setName(std::string_view text) {
        if (text.size() < 2 || text.front() != '"') return fail("the name needs double quotes");
        std::string name;
        std::size_t i = 1;
        for (; i < text.size() && text[i] != '"'; ++i) {
            char c = text[i];
            if (c == '\\') {
                if (i + 1 >= text.size()) break;
                const char e = text[++i];
                if (e == '"' || e == '\\') {
                    c = e;
                } else if (e == 'x' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 && hexDigit(text[i + 2]) >= 0) {
                    c = static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
                    i += 2;
                    if (c == '\0') return fail("the name cannot hold a zero byte");
                } else {
                    return fail(cat("unknown escape '\\", std::string_view(&text[i], 1), "' in the name"));
                }
            }
            name.push_back(c);
        }
        if (i >= text.size()) return fail("the name has no closing quote");
        if (i + 1 != text.size()) return fail("text after the name's closing quote");
        if (name.size() > kNameBytes)
            return fail(cat("the name is ", number(static_cast<long>(name.size())), " bytes long; at most ",
                            number(static_cast<long>(kNameBytes)), " fit"));
        if (!once(nameLine_, "the name")) return false;
        std::memset(preset_.name, 0, sizeof preset_.name);
        std::memcpy(preset_.name, name.data(), name.size());
        return true;
    }

    bool setWords(std::string_view text) {
        const auto parts = words(text);
        std::uint32_t values[2] = {0, 0};
        bool ok = parts.size() == 2;
        for (std::size_t w = 0; ok && w < 2; ++w) {
            const std::string_view p = parts[w];
            ok = p.size() > 2 && p.size() <= 10 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
            for (std::size_t i = 2; ok && i < p.size(); ++i) {
                const int d = hexDigit(p[i]);
                ok = d >= 0;
                values[w] = values[w] * 16 + static_cast<std::uint32_t>(d);
            }
        }
        if (!ok) return fail("words need two hexadecimal numbers such as 0x0000002a");
        if (!once(wordsLine_, "words")) return false;
        preset_.words[0] = values[0];
        preset_.words[1] = values[1];
        return true;
    }

    bool setInfo(const std::vector<std::string_view>& key, std::string_view text) {
        long at = 0;
        if (key.size() != 2 || !parseInt(key[1], at)) return fail("expected 'info OFFSET = HEX BYTES'");
        if (text.empty() || text.size() % 2 != 0 ||
            !std::all_of(text.begin(), text.end(), [](char c) { return hexDigit(c) >= 0; }))
            return fail(cat("'", text, "' is not a run of hexadecimal bytes"));
        const long count = static_cast<long>(text.size() / 2);
        if (at < 0 || at + count > Preset::kInfoSize)
            return fail(cat("info bytes ", number(at), "-", number(at + count - 1), " run past the block's ",
                            number(Preset::kInfoSize), " bytes"));
        for (long i = 0; i < count; ++i) {
            int& seenOn = infoLine_[static_cast<std::size_t>(at + i)];
            if (!once(seenOn, cat("info byte ", number(at + i)))) return false;
            preset_.info[static_cast<std::size_t>(at + i)] = static_cast<std::uint8_t>(
                hexDigit(text[static_cast<std::size_t>(2 * i)]) * 16 + hexDigit(text[static_cast<std::size_t>(2 * i + 1)]));
        }
        return true;
    }

    bool setSteps(const std::vector<std::string_view>& key, std::string_view text) {
        long lfo = 0, first = 0, last = 0;
        const std::string_view range = key.size() == 4 ? key[3] : std::string_view();
        const std::size_t dash = range.find('-');
        if (key.size() != 4 || key[2] != "steps" || !parseInt(key[1], lfo) || dash == std::string_view::npos ||
            !parseInt(range.substr(0, dash), first) || !parseInt(range.substr(dash + 1), last))
            return fail("expected 'lfo 1 steps FIRST-LAST = VALUES'");
        if (lfo != 1 && lfo != 2) return fail(cat("there is no step LFO ", number(lfo), "; they are lfo 1 and lfo 2"));
        if (first < 1 || last < first || last > Preset::kSteps)
            return fail(cat("steps ", number(first), "-", number(last), " are not a range within 1-",
                            number(Preset::kSteps)));
        const auto values = words(text);
        if (static_cast<long>(values.size()) != last - first + 1)
            return fail(cat("steps ", number(first), "-", number(last), " need ", number(last - first + 1),
                            " values, not ", number(static_cast<long>(values.size()))));
        const auto l = static_cast<std::size_t>(lfo - 1);
        for (long s = first; s <= last; ++s) {
            float v = 0.0f;
            if (!parseValue(values[static_cast<std::size_t>(s - first)], v)) return false;
            if (!once(stepLine_[l][static_cast<std::size_t>(s - 1)], cat("step ", number(s), " of lfo ", number(lfo))))
                return false;
            preset_.steps[l][static_cast<std::size_t>(s - 1)] = v;
        }
        return true;
    }

    bool setValue(std::string_view left, const std::vector<std::string_view>& key, std::string_view text) {
        // The part: one word, or two for a voice.
        PartKind kind;
        int part = -1;
        std::size_t nameWord = 1;
        if (key[0] == "global") {
            kind = PartKind::Global;
        } else if (key[0] == "A" || key[0] == "B") {
            kind = PartKind::Part;
            part = key[0] == "A" ? 0 : 1;
        } else if (key[0] == "voice") {
            long voice = 0;
            if (key.size() < 2 || !parseInt(key[1], voice) || voice < 1 || voice > params::kVoiceSlots)
                return fail(cat("'voice", key.size() < 2 ? "" : " ", key.size() < 2 ? std::string_view() : key[1],
                                "' is not a voice; voices are 1 to ", number(params::kVoiceSlots)));
            kind = PartKind::Voice;
            part = static_cast<int>(voice - 1);
            nameWord = 2;
        } else {
            return fail(cat("'", key[0], "' is not a part; a line starts with global, A, B, voice N, version, name, "
                                         "words, info or lfo"));
        }
        if (key.size() <= nameWord) return fail("missing control name before '='");
        const std::string_view written = trim(left.substr(static_cast<std::size_t>(key[nameWord].data() - left.data())));
        const std::string name = collapse(written);
        const std::string here = kind == PartKind::Part    ? cat("part ", key[0])
                                 : kind == PartKind::Voice ? cat("voice ", number(part + 1))
                                                           : std::string("global");

        int control = -1;
        const Names& table = names();
        if (const auto host = table.byName.find(name); host != table.byName.end()) {
            const auto [hostControl, hostPart] = host->second;
            if (hostPart != part || kindOfControl(hostControl) != kind)
                return fail(cat("'", written, "' is a ", partPhrase(hostControl, hostPart), " setting, not ", here));
            control = hostControl;
        } else {
            long id = -1;
            const auto parts = words(name);
            if (parts.size() != 2 || parts[0] != "control" || !parseInt(parts[1], id) || id < 0 ||
                id >= params::kControlIds || !table.controlExists[static_cast<std::size_t>(id)])
                return fail(cat("unknown control '", written, "'"));
            control = static_cast<int>(id);
            if (kindOfControl(control) != kind)
                return fail(cat("control ", number(control), " is ", kindPhrase(kindOfControl(control)), ", not ", here));
        }
        const auto record = table.records.find({control, part});
        if (record == table.records.end()) return fail(cat("unknown control '", written, "'"));

        float value = 0.0f;
        if (!parseValue(text, value)) return false;
        if (!once(recordLine_[static_cast<std::size_t>(record->second)], cat("'", written, "'"))) return false;
        preset_.values[static_cast<std::size_t>(record->second)] = value;
        return true;
    }

    bool parseValue(std::string_view text, float& value) {
        if (text.empty()) return fail("missing value after '='");
        std::string_view digits = text;
        if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') digits.remove_prefix(1);
        const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (result.ec == std::errc::result_out_of_range && result.ptr == digits.data() + digits.size())
            return fail(cat("value '", text, "' is out of range"));
        if (result.ec != std::errc() || result.ptr != digits.data() + digits.size())
            return fail(cat("value '", text, "' is not a number"));
        if (std::isnan(value)) return fail("NaN is not a value");
        if (std::isinf(value)) return fail("infinity is not a value");
        return true;
    }

    Preset& preset_;
    int line_ = 0;
    std::string message_;
    int versionLine_ = 0, nameLine_ = 0, wordsLine_ = 0;
    std::array<int, params::kDefaultRecords> recordLine_{};
    std::array<int, Preset::kInfoSize> infoLine_{};
    std::array<std::array<int, Preset::kSteps>, 2> stepLine_{};
};

}  // namespace

bool parsePatch(const std::string& text, PluginParameters& store, std::string& error) {
    return Parser(store).parse(text, error);
}

}  // namespace calverine::patchtext
