#include "XTestRig.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace calverine::test {
namespace {

bool gRunning = false;

bool onPath(const std::string& name) {
    const std::string command = "command -v " + name + " > /dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

class Xvfb : public ::testing::Environment {
public:
    void SetUp() override {
        if (!onPath("Xvfb")) return;
        int ready[2];
        if (pipe(ready) != 0) return;
        fcntl(ready[0], F_SETFD, FD_CLOEXEC);
        const std::string fd = std::to_string(ready[1]);
        const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                              "-nolisten", "tcp", "-noreset", nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(ready[1]);
        if (spawned != 0) {
            close(ready[0]);
            pid_ = 0;
            return;
        }
        // Xvfb writes the display number once it accepts connections.
        std::string display;
        pollfd p{ready[0], POLLIN, 0};
        char ch = 0;
        while (display.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0 && read(ready[0], &ch, 1) == 1)
            display += ch;
        close(ready[0]);
        if (display.empty()) return;
        display.pop_back();
        setenv("DISPLAY", (":" + display).c_str(), 1);
        gRunning = true;
    }
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        gRunning = false;
    }

private:
    pid_t pid_ = 0;
};

[[maybe_unused]] auto* const gXvfb = ::testing::AddGlobalTestEnvironment(new Xvfb);

}  // namespace

bool xServerRunning() { return gRunning; }

int xdotool(const std::string& arguments) {
    const std::string command = "xdotool " + arguments + " > /dev/null 2>&1";
    return std::system(command.c_str());
}

void answerSelectionRequest(xcb_connection_t* c, const xcb_selection_request_event_t& r, const std::string& data) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, r.requestor, r.property, r.target, 8, std::uint32_t(data.size()),
                        data.data());
    xcb_selection_notify_event_t n{};
    n.response_type = XCB_SELECTION_NOTIFY;
    n.time = r.time;
    n.requestor = r.requestor;
    n.selection = r.selection;
    n.target = r.target;
    n.property = r.property;
    xcb_send_event(c, 0, r.requestor, 0, reinterpret_cast<const char*>(&n));
    xcb_flush(c);
}

std::vector<Recorder::Mouse> Recorder::of(char kind) const {
    std::vector<Mouse> picked;
    for (const Mouse& m : mouse)
        if (m.kind == kind) picked.push_back(m);
    return picked;
}

void XTest::SetUp() {
    if (!xServerRunning()) GTEST_SKIP() << "Xvfb is not installed; scripts/setup.sh installs it";
    c_ = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(c_), 0);
    screen_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    parent_ = parentWindow();
}

void XTest::TearDown() {
    if (!c_) return;
    xcb_destroy_window(c_, parent_);
    xcb_disconnect(c_);
}

xcb_window_t XTest::parentWindow(int width, int height) {
    const xcb_window_t w = xcb_generate_id(c_);
    const std::uint32_t background = screen_->black_pixel;
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, screen_->root, kParentX, kParentY, std::uint16_t(width),
                      std::uint16_t(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual, XCB_CW_BACK_PIXEL,
                      &background);
    xcb_map_window(c_, w);
    std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));  // a round trip
    return w;
}

std::unique_ptr<gui::PlatformWindow> XTest::open(int width, int height) {
    std::string error;
    auto window = gui::PlatformWindow::create(reinterpret_cast<void*>(std::uintptr_t(parent_)), width, height,
                                              listener_, &error);
    EXPECT_NE(window, nullptr) << error;
    if (window) {
        EXPECT_TRUE(pumpUntil(*window, [&] { return !listener_.drawn.empty(); })) << "no first frame";
    }
    return window;
}

bool XTest::pumpUntil(gui::PlatformWindow& window, const std::function<bool()>& done,
                      std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        window.pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

xcb_atom_t XTest::atom(const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_NONE;
    std::free(r);
    return a;
}

std::vector<xcb_window_t> XTest::children(xcb_window_t window) {
    std::vector<xcb_window_t> list;
    if (xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, window), nullptr)) {
        const xcb_window_t* kids = xcb_query_tree_children(tree);
        list.assign(kids, kids + xcb_query_tree_children_length(tree));
        std::free(tree);
    }
    return list;
}

gui::CColor XTest::pixel(xcb_window_t window, int x, int y) {
    gui::CColor c{0, 0, 0, 0};
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        c_, xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, window, std::int16_t(x), std::int16_t(y), 1, 1, ~0u),
        nullptr);
    if (image && xcb_get_image_data_length(image) >= 4) {
        const std::uint8_t* bgrx = xcb_get_image_data(image);
        c = {bgrx[2], bgrx[1], bgrx[0], 255};
    }
    std::free(image);
    return c;
}

}  // namespace calverine::test
