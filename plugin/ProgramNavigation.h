// Program numbers and banks over the patch library: which library entry a
// program change, the host's setProgram or the editor loads, bank select, and
// the current bank's program list.
//
// Threads: loads arrive from the host's threads, the editor, and the audio
// thread (a MIDI program change or bank select loads its patch file there, by
// design: it reads the file, allocates and takes the reload lock). A load that
// arrives while another runs is dropped.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "ProgramList.h"

namespace calverine {

class ProgramNavigation {
public:
    // What a load asks of the plug-in object.
    class Owner {
    public:
        // Plays the program file at `path`; false when it is not one.
        virtual bool loadPatchFile(const std::string& path) = 0;
        // A program was loaded from the library: its name becomes the patch name.
        virtual void programLoaded(const std::string& name) = 0;
        // The current bank's list was rebuilt; `program` is the current
        // library entry's number in it (0 when it is not in the list).
        virtual void programListRebuilt(int program, int count) = 0;

    protected:
        ~Owner() = default;
    };

    explicit ProgramNavigation(Owner& owner) : owner_(owner) {}

    // Reads the library below the data folder again (creating its root).
    void rescan();
    // The first program: the first of `preferredPaths` that the library
    // holds, else the first patch of bank 0; nothing for an empty library.
    void loadFirstProgram(const std::vector<std::string>& preferredPaths);
    // Loads program n of the current bank; its bank becomes current.
    void loadProgram(int program);
    // Makes bank b current and loads its first program; ignored during a
    // load, for the current bank and outside 0 ... bankCount.
    void selectBank(int bank);

    ProgramList& programList() { return programs_; }
    const ProgramList& programList() const { return programs_; }
    int currentLibraryIndex() const { return currentLibraryIndex_; }

private:
    void rebuild();

    Owner& owner_;
    ProgramList programs_;
    int currentLibraryIndex_ = -1;
    std::atomic<bool> loadInProgress_{false};
};

}  // namespace calverine
