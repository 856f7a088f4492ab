// Parents for the Genetics tests: patches whose every value tells which
// parent it came from, written as program files into a test folder, and
// plug-in objects with a settings and data folder of their own.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "PluginParameters.h"
#include "TempFolder.h"

namespace calverine::test {

using Bytes = std::vector<std::uint8_t>;

// CALVERINE_SETTINGS_DIR and CALVERINE_DATA_DIR point into a fresh folder
// while the object lives.
class Home {
public:
    Home();
    ~Home();
    Home(const Home&) = delete;
    Home& operator=(const Home&) = delete;
    std::string data() const { return folder.path() + "/data"; }
    TempFolder folder;

private:
    std::string oldSettings_, oldData_;
    bool hadSettings_ = false, hadData_ = false;
};

constexpr const char* kParentNames[3] = {"Alpha", "Beta", "Gamma"};

// Parent k (0, 1, 2): record r holds 1000 x (k + 1) + r, except switches
// (0 or 1) and the pitch wheel (every load centres it); step value i of
// LFO l is 10 x (k + 1) + l + i / 1024; a name of its own, preset words and
// information bytes of its own.
PluginParameters parentStore(int k);
// The parent that record r's value came from, or -1 when the value does not tell.
int parentOfValue(int record, float value);
// Whether a record's value tells its parent (not a switch, not the pitch wheel).
bool telling(int record);
// The parent each telling control id of `preset` came from (all records of
// one control id must agree, else the test fails).
std::map<int, int> sourcesOf(const Preset& preset);
// The parent whose LFO `lfo` step pattern `preset` holds, or -1.
int patternParent(const Preset& preset, int lfo);

// Writes parents 0 .. count - 1 as program files into `folder`; their paths.
std::vector<std::string> writeParents(const TempFolder& folder, int count);

Bytes readBytes(const std::string& path);
void writeBytes(const std::string& path, const Bytes& bytes);
Bytes programFileOf(const PluginParameters& store);

}  // namespace calverine::test
