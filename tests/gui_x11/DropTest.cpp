// Drops onto the window from an XDND source of our own on a second
// connection, the way a file manager drags files.
#include <cstdlib>
#include <cstring>
#include <optional>

#include "XTestRig.h"
#include "x11/X11Window.h"

using namespace gui;
using namespace calverine::test;

namespace {

class Drop : public XTest {
protected:
    // Walks Enter, Position and Drop to `target` at window point (x, y),
    // offering `types` and answering with `data`.
    struct Outcome {
        bool accepted = false;
        std::optional<bool> finishedWithSuccess;  // unset: no XdndFinished
        std::vector<std::string> requestedTypes;
    };
    Outcome drag(PlatformWindow& target, const std::vector<std::string>& types, const std::string& data, int x,
                 int y) {
        Outcome outcome;
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        const xcb_window_t source = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, source, screen_->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        std::vector<xcb_atom_t> offered;
        for (const std::string& t : types) offered.push_back(atom(t.c_str()));
        offered.resize(std::max<std::size_t>(offered.size(), 3), XCB_NONE);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, source, atom("XdndTypeList"), XCB_ATOM_ATOM, 32,
                            std::uint32_t(types.size()), offered.data());
        xcb_set_selection_owner(c, source, atom("XdndSelection"), XCB_CURRENT_TIME);

        const xcb_window_t to = id(target);
        auto send = [&](const char* type, std::uint32_t d1, std::uint32_t d2, std::uint32_t d3, std::uint32_t d4) {
            xcb_client_message_event_t m{};
            m.response_type = XCB_CLIENT_MESSAGE;
            m.format = 32;
            m.window = to;
            m.type = atom(type);
            m.data.data32[0] = source;
            m.data.data32[1] = d1;
            m.data.data32[2] = d2;
            m.data.data32[3] = d3;
            m.data.data32[4] = d4;
            xcb_send_event(c, 0, to, 0, reinterpret_cast<const char*>(&m));
            xcb_flush(c);
        };
        // Pumps the target until the source hears `type`; answers requests for the data meanwhile.
        auto await = [&](const char* type) {
            std::optional<xcb_client_message_event_t> heard;
            const xcb_atom_t wanted = atom(type);
            pumpUntil(target, [&] {
                while (!heard) {
                    xcb_generic_event_t* e = xcb_poll_for_event(c);
                    if (!e) break;
                    const int kind = e->response_type & 0x7f;
                    auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
                    if (kind == XCB_CLIENT_MESSAGE && m->type == wanted) heard = *m;
                    if (kind == XCB_SELECTION_REQUEST) {
                        auto* r = reinterpret_cast<xcb_selection_request_event_t*>(e);
                        outcome.requestedTypes.push_back(r->target == atom("text/uri-list") ? "text/uri-list" : "other");
                        answerSelectionRequest(c, *r, data);
                    }
                    std::free(e);
                }
                return heard.has_value();
            });
            return heard;
        };

        const bool moreThanThree = types.size() > 3;
        send("XdndEnter", (5u << 24) | (moreThanThree ? 1u : 0u), offered[0], offered[1], offered[2]);
        send("XdndPosition", 0, std::uint32_t((kParentX + x) << 16 | (kParentY + y)), XCB_CURRENT_TIME,
             atom("XdndActionCopy"));
        if (auto status = await("XdndStatus")) {
            outcome.accepted = status->data.data32[1] & 1;
            EXPECT_EQ(status->data.data32[0], to);
            EXPECT_EQ(status->data.data32[4], outcome.accepted ? atom("XdndActionCopy") : xcb_atom_t(XCB_NONE));
        }
        send("XdndDrop", 0, XCB_CURRENT_TIME, 0, 0);
        if (auto finished = await("XdndFinished")) outcome.finishedWithSuccess = finished->data.data32[1] & 1;
        xcb_disconnect(c);
        return outcome;
    }

};

}  // namespace

TEST_F(Drop, FilesFromAFileManagerArriveAsDecodedPaths) {
    auto window = open();
    ASSERT_NE(window, nullptr);
    // Five types: the list comes from XdndTypeList, and the file list wins over text.
    const auto outcome = drag(*window, {"text/plain", "UTF8_STRING", "x-special/gnome-copied-files", "TEXT",
                                        "text/uri-list"},
                              "file:///tmp/My%20Patches/Bass%2B1.fxp\r\n# a comment\r\n"
                              "file://localhost/home/u/%C3%A9t%C3%A9.fxp\r\nhttp://example.org/x.fxp\r\n",
                              30, 45);
    EXPECT_TRUE(outcome.accepted);
    EXPECT_EQ(outcome.finishedWithSuccess, true);
    EXPECT_EQ(outcome.requestedTypes, std::vector<std::string>{"text/uri-list"});
    ASSERT_EQ(listener_.dragOvers.size(), 1u);
    EXPECT_EQ(listener_.dragOvers[0].first, (CPoint{30, 45}));
    EXPECT_EQ(listener_.dragOvers[0].second, DropData::Kind::Files);
    ASSERT_EQ(listener_.drops.size(), 1u);
    EXPECT_EQ(listener_.drops[0].first, (CPoint{30, 45}));
    EXPECT_EQ(listener_.drops[0].second.kind, DropData::Kind::Files);
    EXPECT_EQ(listener_.drops[0].second.items,
              (std::vector<std::string>{"/tmp/My Patches/Bass+1.fxp", "/home/u/été.fxp"}));
}

TEST_F(Drop, TextIsTakenWhenNoFilesAreOffered) {
    auto window = open();
    ASSERT_NE(window, nullptr);
    const auto outcome = drag(*window, {"text/plain;charset=utf-8"}, "Größe 1", 5, 6);
    EXPECT_TRUE(outcome.accepted);
    EXPECT_EQ(outcome.finishedWithSuccess, true);
    ASSERT_EQ(listener_.drops.size(), 1u);
    EXPECT_EQ(listener_.drops[0].second.kind, DropData::Kind::Text);
    EXPECT_EQ(listener_.drops[0].second.items, std::vector<std::string>{"Größe 1"});
}

TEST_F(Drop, ARefusedOrUnknownDragEndsWithoutData) {
    auto window = open();
    ASSERT_NE(window, nullptr);
    listener_.acceptDrag = false;
    auto refused = drag(*window, {"text/uri-list"}, "file:///tmp/a.fxp\r\n", 10, 10);
    EXPECT_FALSE(refused.accepted);
    EXPECT_EQ(refused.finishedWithSuccess, false);
    EXPECT_TRUE(refused.requestedTypes.empty());
    EXPECT_EQ(listener_.dragOvers.size(), 1u);

    listener_.acceptDrag = true;
    auto unknown = drag(*window, {"image/png"}, "png", 10, 10);
    EXPECT_FALSE(unknown.accepted);
    EXPECT_EQ(unknown.finishedWithSuccess, false);
    EXPECT_EQ(listener_.dragOvers.size(), 1u);  // nobody was asked
    EXPECT_TRUE(listener_.drops.empty());
}

TEST(UriList, FileUrisBecomePathsAndEverythingElseIsSkipped) {
    EXPECT_EQ(pathsFromUriList("file:/a/b%zz%4\nfile:///c%2fd\n#file:///e\nfile://host\nftp://x/y\n\n"),
              (std::vector<std::string>{"/a/b%zz%4", "/c/d"}));
    EXPECT_TRUE(pathsFromUriList("").empty());
}
