// The layout table: record counts, the three sizes and how records scale,
// and that every control has its own place inside the frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <vector>

#include "LayoutTable.h"
#include "UiSizes.h"

namespace calverine {
namespace {

constexpr int kSmall = 1, kLarge = 2, kMedium = 0;

TEST(UiSizes, FramesAndScaledPoints) {
    EXPECT_EQ(uiSizeOf(kMedium).width, 1165);
    EXPECT_EQ(uiSizeOf(kMedium).height, 725);
    for (int index : {kMedium, kSmall, kLarge}) {
        const UiSize& size = uiSizeOf(index);
        EXPECT_EQ(scaled(1165, size), size.width) << size.name;
        EXPECT_EQ(scaled(725, size), size.height) << size.name;
    }
    EXPECT_EQ(uiSizeOf(kSmall).width, 932);
    EXPECT_EQ(uiSizeOf(kSmall).height, 580);
    EXPECT_EQ(uiSizeOf(kLarge).width, 1631);
    EXPECT_EQ(uiSizeOf(kLarge).height, 1015);
    EXPECT_EQ(&uiSizeOf(7), &uiSizeOf(kMedium));

    LayoutRecord at{1, 15, 330, 0, 765, 26, 805, 44, "Main"};
    EXPECT_EQ(scaled(at, kSmall).left, 612);
    EXPECT_EQ(scaled(at, kSmall).top, 20);
    EXPECT_EQ(scaled(at, kLarge).left, 1071);
    EXPECT_EQ(scaled(at, kLarge).top, 36);
    // Whole products stay whole: 45 x 1.4 is 63, not 62.
    EXPECT_EQ(scaled(45, uiSizeOf(kLarge)), 63);
    EXPECT_EQ(scaled(7, uiSizeOf(kSmall)), 5);
}

TEST(UiSizes, StepEditorMovesRightOnlyAtSmall) {
    LayoutRecord bars{2, 27, 200, 0, 108, 600, 556, 712, "Main"};
    EXPECT_EQ(scaled(bars, kMedium), (ScaledRect{108, 600, 556, 712}));
    EXPECT_EQ(scaled(bars, kSmall), (ScaledRect{86 + 2, 480, 444 + 2, 569}));
    EXPECT_EQ(scaled(bars, kLarge), (ScaledRect{151, 840, 778, 996}));
    LayoutRecord knob = bars;
    knob.kind = 5;
    EXPECT_EQ(scaled(knob, kSmall).left, 86);
}

TEST(UiSizes, WalkerSkipsTagMinusOne) {
    std::vector<LayoutRecord> records = {
        {1, 5, 7, 0, 10, 10, 58, 58, "Main"},
        {1, 5, -1, 0, 100, 10, 148, 58, "Main"},
        {2, 15, 330, 0, 200, 10, 240, 28, "Main"},
    };
    std::vector<int> tags;
    forEachControl(records, kLarge, [&](const LayoutRecord& r, const ScaledRect& rect) {
        tags.push_back(r.tag);
        EXPECT_EQ(rect, scaled(r, kLarge));
    });
    EXPECT_EQ(tags, (std::vector<int>{7, 330}));
}

TEST(LayoutTable, CountsPerKindAndPanel) {
    std::map<int, int> perKind, perPanel;
    for (const LayoutRecord& r : kLayout) {
        ++perKind[r.kind];
        ++perPanel[r.panel];
        EXPECT_EQ(r.reserved, 0);
        EXPECT_STREQ(r.view, "Main");
        EXPECT_NE(r.tag, -1);
    }
    const std::map<int, int> kinds = {{0, 2},  {1, 1},   {2, 2},  {3, 1},  {5, 24},  {6, 25},  {7, 16},
                                      {8, 1},  {9, 16},  {10, 12}, {11, 12}, {12, 16}, {13, 1}, {15, 33},
                                      {16, 16}, {17, 5}, {18, 8},  {19, 3},  {20, 3},  {21, 5}, {22, 2},
                                      {23, 1}, {24, 1},  {25, 1},  {26, 1},  {27, 1},  {28, 1}, {29, 1},
                                      {30, 1}, {31, 1},  {32, 2}};
    EXPECT_EQ(perKind, kinds);
    const std::map<int, int> panels = {{1, 14}, {2, 41}, {3, 46}, {4, 27}, {5, 37}, {6, 50}};
    EXPECT_EQ(perPanel, panels);
}

TEST(LayoutTable, EveryTagOnceWithItsKind) {
    std::map<int, int> kindOfTag;
    for (const LayoutRecord& r : kLayout) {
        EXPECT_TRUE(kindOfTag.emplace(r.tag, r.kind).second) << "tag " << r.tag << " twice";
    }
    // A few tags whose kind the editor relies on.
    EXPECT_EQ(kindOfTag.at(200), 27);
    EXPECT_EQ(kindOfTag.at(54), 13);
    EXPECT_EQ(kindOfTag.at(41), 29);
    EXPECT_EQ(kindOfTag.at(44), 30);
    EXPECT_EQ(kindOfTag.at(159), 31);
    EXPECT_EQ(kindOfTag.at(307), 25);
    EXPECT_EQ(kindOfTag.at(84), 8);
    for (int tag = 314; tag <= 329; ++tag) EXPECT_EQ(kindOfTag.at(tag), 12);
    for (int tag = 130; tag <= 159; ++tag) {
        EXPECT_TRUE(kindOfTag.count(tag)) << tag;
    }
}

// Static images (kinds 0, 23, 24) lie under or beside controls by design.
bool isImage(const LayoutRecord& r) { return r.kind == 0 || r.kind == 23 || r.kind == 24; }

TEST(LayoutTable, NoControlsOverlapWithinAPanel) {
    for (const LayoutRecord& a : kLayout) {
        EXPECT_LT(a.left, a.right) << a.tag;
        EXPECT_LT(a.top, a.bottom) << a.tag;
        for (const LayoutRecord& b : kLayout) {
            if (&a >= &b || a.panel != b.panel || isImage(a) || isImage(b)) continue;
            const bool apart =
                a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
            EXPECT_TRUE(apart) << "tags " << a.tag << " and " << b.tag << " overlap in panel " << a.panel;
        }
    }
}

TEST(LayoutTable, PanelsShowingTogetherDoNotOverlap) {
    // Part mode shows panels 1, 3, 6 and a page; trimmer mode 1, 4, 6.
    const std::vector<std::vector<int>> together = {{1, 3, 6, 2}, {1, 3, 6, 5}, {1, 4, 6, 2}, {1, 4, 6, 5}};
    for (const auto& shown : together) {
        std::vector<const LayoutRecord*> controls;
        for (const LayoutRecord& r : kLayout)
            if (!isImage(r) && std::find(shown.begin(), shown.end(), r.panel) != shown.end())
                controls.push_back(&r);
        for (const LayoutRecord* a : controls)
            for (const LayoutRecord* b : controls) {
                if (a >= b || a->panel == b->panel) continue;
                const bool apart = a->right <= b->left || b->right <= a->left || a->bottom <= b->top ||
                                   b->bottom <= a->top;
                EXPECT_TRUE(apart) << "tags " << a->tag << " and " << b->tag;
            }
    }
}

TEST(LayoutTable, EveryControlInsideTheFrameAtEverySize) {
    for (int index : {kMedium, kSmall, kLarge}) {
        const UiSize& size = uiSizeOf(index);
        int count = 0;
        forEachControl(kLayout, index, [&](const LayoutRecord& r, const ScaledRect& rect) {
            ++count;
            EXPECT_GE(rect.left, 0) << r.tag;
            EXPECT_GE(rect.top, 0) << r.tag;
            EXPECT_LE(rect.right, size.width) << r.tag << " at " << size.name;
            EXPECT_LE(rect.bottom, size.height) << r.tag << " at " << size.name;
            EXPECT_LT(rect.left, rect.right) << r.tag;
            EXPECT_LT(rect.top, rect.bottom) << r.tag;
        });
        EXPECT_EQ(count, kLayoutRecords);
    }
}

TEST(LayoutTable, PanelsStayInTheirBoxes) {
    // Header, part rows, page box, LFO 2 and voices (x0, y0, x1, y1).
    const std::map<int, std::array<int, 4>> boxes = {
        {2, {100, 316, 820, 725}}, {3, {0, 56, 1165, 316}}, {4, {0, 56, 1165, 316}},
        {5, {100, 316, 820, 725}}, {6, {820, 316, 1165, 725}}};
    for (const LayoutRecord& r : kLayout) {
        if (r.panel == 1) continue;  // the header and the wheels
        const auto& b = boxes.at(r.panel);
        EXPECT_TRUE(r.left >= b[0] && r.top >= b[1] && r.right <= b[2] && r.bottom <= b[3])
            << "tag " << r.tag << " outside panel " << r.panel;
    }
}

}  // namespace
}  // namespace calverine
