// The text field's editing keys, selection and clipboard, and the scroll
// view's wheel, scrollbar and scroll-into-view.
#include <gtest/gtest.h>

#include "CAnimKnob.h"
#include "CScrollView.h"
#include "CTextEdit.h"
#include "GuiTestSupport.h"

using namespace gui;
using namespace guitest;

namespace {

struct TextFixture : ::testing::Test {
    CFrame frame{300, 100};
    CTextEdit* edit = frame.add<CTextEdit>(CRect{10, 10, 210, 34});
    std::vector<std::string> commits;

    void SetUp() override {
        edit->setCommitCallback([this](const std::string& t) { commits.push_back(t); });
    }
    void type(const std::u32string& text) {
        for (char32_t c : text) EXPECT_TRUE(frame.platformKeyDown(character(c)));
    }
    void press(VirtualKey k, std::uint32_t modifiers = 0) { EXPECT_TRUE(frame.platformKeyDown(key(k, modifiers))); }
    void ctrl(char c) { EXPECT_TRUE(frame.platformKeyDown(character(char32_t(c), kControl))); }
};

}  // namespace

TEST_F(TextFixture, TypingAndEditingKeysMoveByCodePoints) {
    EXPECT_FALSE(frame.platformKeyDown(character('a')));  // not editing: the host's key
    click(frame, {100, 20});
    EXPECT_TRUE(edit->isEditingText());
    EXPECT_EQ(frame.getFocusView(), edit);
    type(U"Br\u00e4ss \u266a");  // two-byte and three-byte characters
    EXPECT_EQ(edit->getText(), "Br\xc3\xa4ss \xe2\x99\xaa");
    press(VirtualKey::Left);
    press(VirtualKey::Back);  // the space before the note
    EXPECT_EQ(edit->getText(), "Br\xc3\xa4ss\xe2\x99\xaa");
    press(VirtualKey::Home);
    press(VirtualKey::Right);
    press(VirtualKey::Right);
    press(VirtualKey::Delete);  // the a with umlaut, both bytes
    EXPECT_EQ(edit->getText(), "Brss\xe2\x99\xaa");
    type(U"a");
    press(VirtualKey::End);
    press(VirtualKey::Back);
    EXPECT_EQ(edit->getText(), "Brass");
    press(VirtualKey::Return);
    EXPECT_FALSE(edit->isEditingText());
    EXPECT_EQ(frame.getFocusView(), nullptr);
    EXPECT_EQ(commits, (std::vector<std::string>{"Brass"}));

    // Escape restores the text from before; the length limit counts code points.
    click(frame, {100, 20});
    edit->setMaxLength(7);
    type(U"\u00e9\u00e9\u00e9\u00e9");
    EXPECT_EQ(edit->getText(), "Brass\xc3\xa9\xc3\xa9");
    press(VirtualKey::Escape);
    EXPECT_EQ(edit->getText(), "Brass");
    EXPECT_EQ(commits.size(), 1u);
    // A click elsewhere commits.
    click(frame, {100, 20});
    type(U"!");
    click(frame, {280, 90});
    EXPECT_EQ(commits.back(), "Brass!");
}

TEST_F(TextFixture, SelectionAndClipboard) {
    edit->setText("Warm Pad");
    frame.renderOffscreen();
    click(frame, {100, 20});
    ctrl('a');
    EXPECT_EQ(edit->selectedText(), "Warm Pad");
    ctrl('c');
    EXPECT_EQ(frame.clipboardText(), "Warm Pad");
    press(VirtualKey::End);
    press(VirtualKey::Left, kShift);
    press(VirtualKey::Left, kShift);
    press(VirtualKey::Left, kShift);
    EXPECT_EQ(edit->selectedText(), "Pad");
    ctrl('x');
    EXPECT_EQ(edit->getText(), "Warm ");
    EXPECT_EQ(frame.clipboardText(), "Pad");
    press(VirtualKey::Home);
    ctrl('v');
    EXPECT_EQ(edit->getText(), "PadWarm ");
    frame.setClipboardText("two\nlines");
    press(VirtualKey::End);
    ctrl('v');
    EXPECT_EQ(edit->getText(), "PadWarm twolines");

    // A mouse drag from the start of the text to far right selects it all,
    // and a click puts the caret back without a selection.
    const CPoint start{edit->getViewSize().left + 4, 20};
    drag(frame, start, {250, 20});
    EXPECT_EQ(edit->selectedText(), "PadWarm twolines");
    click(frame, start);
    EXPECT_EQ(edit->selectedText(), "");
    EXPECT_EQ(edit->caret(), 0u);
}

TEST_F(TextFixture, CaretAndSelectionAreDrawn) {
    edit->setText("Bass");
    auto idle = frame.renderOffscreen();
    click(frame, {200, 20});
    auto editing = frame.renderOffscreen();
    EXPECT_GT(pixelsNear(*editing, edit->getAccent(), CRect{10, 10, 210, 34}), 8);  // the caret
    EXPECT_EQ(pixelsNear(*idle, edit->getAccent(), CRect{10, 10, 210, 34}), 0);
    ctrl('a');
    auto selected = frame.renderOffscreen();
    EXPECT_GT(pixelsNear(*selected, theme::kSelection, CRect{10, 10, 210, 34}), 100);
}

namespace {

struct ScrollFixture : ::testing::Test {
    CFrame frame{300, 300};
    CScrollView* scroll = frame.add<CScrollView>(CRect{0, 0, 200, 100}, 400);  // four view heights
    Recorder rec;
    CAnimKnob* knob = scroll->content().add<CAnimKnob>(CRect{10, 300, 50, 340}, &rec, 3);
};

}  // namespace

TEST_F(ScrollFixture, WheelAndScrollbarScrollTheContent) {
    frame.platformMouseWheel({100, 50}, -2, 0);  // towards the user: down
    EXPECT_EQ(scroll->scrollOffset(), 80);
    frame.platformMouseWheel({100, 50}, 10, 0);
    EXPECT_EQ(scroll->scrollOffset(), 0);
    frame.platformMouseWheel({100, 50}, -100, 0);
    EXPECT_EQ(scroll->scrollOffset(), 300);
    EXPECT_NEAR(scroll->scrollbar().getValue(), 1, 1e-6);

    // The thumb is a quarter of the track; dragging it by half the
    // remaining travel scrolls half way.
    scroll->scrollTo(0);
    const CRect thumb = scroll->scrollbar().thumbRect();
    EXPECT_EQ(thumb.height(), 25);
    const CPoint grab = scroll->scrollbar().localToFrame(thumb.center());
    drag(frame, grab, grab + CPoint{0, 37.5});
    EXPECT_NEAR(scroll->scrollOffset(), 150, 1e-3);
    // A click on the track below the thumb pages down by one view height.
    click(frame, scroll->scrollbar().localToFrame({6, 95}));
    EXPECT_NEAR(scroll->scrollOffset(), 250, 1e-3);
}

TEST_F(ScrollFixture, ContentViewsAreReachedWhereTheyAreShownAndScrolledIntoView) {
    // Scrolled out of sight, the knob is not under the mouse; the wheel scrolls.
    EXPECT_FALSE(knob->getValue() > 0);
    frame.platformMouseWheel({30, 20}, 1, 0);
    EXPECT_EQ(knob->getValue(), 0);
    scroll->scrollIntoView(knob->getViewSize());
    EXPECT_EQ(scroll->scrollOffset(), 240);  // the knob's bottom at the viewport's bottom
    // Now it is at 60..100 in the frame: the wheel turns it instead of scrolling.
    EXPECT_TRUE(frame.platformMouseWheel({30, 80}, 1, 0));
    EXPECT_NEAR(knob->getValue(), 0.01, 1e-6);
    EXPECT_EQ(scroll->scrollOffset(), 240);
    scroll->scrollIntoView(CRect{0, 20, 10, 30});
    EXPECT_EQ(scroll->scrollOffset(), 20);
    // The knob draws where it is shown, and nothing of it outside the viewport.
    scroll->scrollTo(260);
    auto image = frame.renderOffscreen();
    EXPECT_GT(pixelsNear(*image, theme::kRaised, CRect{10, 40, 50, 80}), 100);
    EXPECT_EQ(image->pixel(30, 101).alpha, 0);
    EXPECT_EQ(rec.balancedPairs(), 1);
}
