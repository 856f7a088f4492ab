#include "AudioEffectX.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "AEffEditor.h"

namespace {

struct HostLog {
    std::vector<VstInt32> opcodes;
    VstIntPtr lastValue = 0;
    float lastOpt = 0;
    VstTimeInfo time{};
    std::string vendor = "Test Host";
};
HostLog* gHost = nullptr;

VstIntPtr VSTCALLBACK testHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr value, void* ptr, float opt) {
    gHost->opcodes.push_back(opcode);
    gHost->lastValue = value;
    gHost->lastOpt = opt;
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterGetTime: return reinterpret_cast<VstIntPtr>(&gHost->time);
    case audioMasterGetVendorString: std::strcpy(static_cast<char*>(ptr), gHost->vendor.c_str()); return 1;
    default: return 0;
    }
}

struct Probe : AudioEffectX {
    explicit Probe(bool* destroyed) : AudioEffectX(testHost, 3, 5), destroyed_(destroyed) {}
    ~Probe() override { *destroyed_ = true; }
    void processReplacing(float**, float** outputs, VstInt32 frames) override { lastFrames = frames, out = outputs; }
    void setParameter(VstInt32 index, float value) override { params.emplace_back(index, value); }
    void suspend() override { ++suspends; }
    void resume() override { ++resumes; }
    VstInt32 processEvents(VstEvents* events) override { return events->numEvents; }
    VstInt32 getChunk(void** data, bool isPreset) override {
        *data = chunk;
        chunkWasPreset = isPreset;
        return 4;
    }
    bool* destroyed_;
    VstInt32 lastFrames = 0;
    float** out = nullptr;
    int suspends = 0, resumes = 0;
    std::vector<std::pair<VstInt32, float>> params;
    char chunk[4] = {1, 2, 3, 4};
    bool chunkWasPreset = false;
};

struct Editor : AEffEditor {
    using AEffEditor::AEffEditor;
    bool getRect(ERect** r) override {
        *r = &rect;
        return true;
    }
    ERect rect{0, 0, 300, 400};
};

class AudioEffectTest : public ::testing::Test {
protected:
    void SetUp() override {
        gHost = &host;
        probe = new Probe(&destroyed);
        effect = probe->getAeffect();
    }
    void TearDown() override {
        if (!destroyed) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0);
        EXPECT_TRUE(destroyed) << "effClose deletes the object";
        gHost = nullptr;
    }
    VstIntPtr dispatch(VstInt32 op, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
        return effect->dispatcher(effect, op, index, value, ptr, opt);
    }
    HostLog host;
    bool destroyed = false;
    Probe* probe = nullptr;
    AEffect* effect = nullptr;
};

}  // namespace

TEST_F(AudioEffectTest, DescriptorPointsBackAtTheObject) {
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->object, probe);
    EXPECT_EQ(effect->numPrograms, 3);
    EXPECT_EQ(effect->numParams, 5);
    EXPECT_NE(effect->process, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
    probe->isSynth();
    probe->canProcessReplacing();
    probe->programsAreChunks();
    EXPECT_EQ(effect->flags, effFlagsIsSynth | effFlagsCanReplacing | effFlagsProgramChunks);
    EXPECT_EQ(dispatch(effGetPlugCategory), kPlugCategSynth);
    probe->isSynth(false);
    EXPECT_EQ(dispatch(effGetPlugCategory), kPlugCategUnknown);
}

TEST_F(AudioEffectTest, OpcodesReachTheirOperations) {
    dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(probe->getSampleRate(), 48000.0f);
    dispatch(effSetBlockSize, 0, 256);
    EXPECT_EQ(probe->getBlockSize(), 256);
    dispatch(effMainsChanged, 0, 1);
    dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(probe->resumes, 1);
    EXPECT_EQ(probe->suspends, 1);
    EXPECT_EQ(dispatch(effGetVstVersion), 2400);

    // effSetProgram carries the program in `value`; out-of-range numbers are ignored.
    dispatch(effSetProgram, 0, 2);
    EXPECT_EQ(dispatch(effGetProgram), 2);
    dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(dispatch(effGetProgram), 2);

    void* data = nullptr;
    EXPECT_EQ(dispatch(effGetChunk, 1, 0, &data), 4);
    EXPECT_EQ(data, probe->chunk);
    EXPECT_TRUE(probe->chunkWasPreset);

    VstEvents events{};
    events.numEvents = 2;
    EXPECT_EQ(dispatch(effProcessEvents, 0, 0, &events), 2);

    float a[8], b[8];
    float* outs[2] = {a, b};
    effect->processReplacing(effect, nullptr, outs, 8);
    EXPECT_EQ(probe->lastFrames, 8);
    effect->setParameter(effect, 3, 0.25f);
    ASSERT_EQ(probe->params.size(), 1u);
    EXPECT_EQ(probe->params[0].first, 3);
}

TEST_F(AudioEffectTest, EditorRequestsNeedARegisteredEditor) {
    ERect* rect = reinterpret_cast<ERect*>(1);
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, nullptr);
    EXPECT_EQ(effect->flags & effFlagsHasEditor, 0);

    Editor editor(probe);
    probe->setEditor(&editor);
    EXPECT_NE(effect->flags & effFlagsHasEditor, 0);
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 400);
    int window = 0;
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, &window), 1);
    EXPECT_TRUE(editor.isOpen());
    dispatch(effEditClose);
    EXPECT_FALSE(editor.isOpen());
    probe->setEditor(nullptr);
}

TEST_F(AudioEffectTest, HostHelpersAskTheHost) {
    probe->setParameterAutomated(2, 0.75f);
    EXPECT_EQ(host.opcodes.back(), audioMasterAutomate);
    EXPECT_FLOAT_EQ(host.lastOpt, 0.75f);
    ASSERT_EQ(probe->params.size(), 1u);

    host.time.tempo = 133.0;
    host.time.flags = kVstTempoValid;
    VstTimeInfo* time = probe->getTimeInfo(kVstTempoValid);
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(host.lastValue, kVstTempoValid);  // the filter travels in `value`
    EXPECT_EQ(time->tempo, 133.0);

    host.vendor = std::string(100, 'x');  // longer than the interface allows
    char vendor[kVstMaxVendorStrLen];
    EXPECT_TRUE(probe->getHostVendorString(vendor));
    EXPECT_EQ(std::strlen(vendor), static_cast<std::size_t>(kVstMaxVendorStrLen - 1));

    probe->wantEvents();
    EXPECT_EQ(host.opcodes.back(), audioMasterWantMidi);
    EXPECT_EQ(probe->getMasterVersion(), 2400);
}
