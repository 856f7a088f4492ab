// The Win32 window under Wine (on an X display), driven as a person would:
// SendInput moves the real pointer and presses real keys, OLE drags data
// over it, the shell posts dropped files; what the window reports is
// recorded.
#include <gtest/gtest.h>
#include <ole2.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "DrawContext.h"
#include "PlatformWindow.h"

using namespace gui;

namespace {

constexpr CColor kRed{255, 0, 0, 255};
constexpr int kWidth = 200;
constexpr int kHeight = 100;

struct Recorder : WindowListener {
    struct Mouse {
        char kind;  // 'd'own, 'm'oved, 'u'p
        CPoint where;
        std::uint32_t buttons;
    };
    std::vector<Mouse> mouse;
    std::vector<CRect> drawn;
    std::vector<KeyEvent> keysDown;
    std::vector<KeyEvent> keysUp;
    std::vector<double> wheel;
    std::vector<DropData> drops;
    int exits = 0;
    int ticks = 0;
    bool takeKeys = true;
    bool takeWheel = true;
    bool takeDrops = true;
    CColor paint = kRed;

    void platformDraw(CDrawContext& c, const CRect& dirty) override {
        drawn.push_back(dirty);
        c.setFillColor(paint);
        c.drawRect(dirty, DrawStyle::Filled);
    }
    void platformMouseDown(CPoint where, std::uint32_t b) override { mouse.push_back({'d', where, b}); }
    void platformMouseMoved(CPoint where, std::uint32_t b) override { mouse.push_back({'m', where, b}); }
    void platformMouseUp(CPoint where, std::uint32_t b) override { mouse.push_back({'u', where, b}); }
    void platformMouseExited() override { ++exits; }
    bool platformMouseWheel(CPoint, double notches, std::uint32_t) override {
        wheel.push_back(notches);
        return takeWheel;
    }
    bool platformKeyDown(const KeyEvent& k) override {
        keysDown.push_back(k);
        return takeKeys;
    }
    bool platformKeyUp(const KeyEvent& k) override {
        keysUp.push_back(k);
        return takeKeys;
    }
    bool platformDragOver(CPoint, DropData::Kind) override { return takeDrops; }
    bool platformDrop(CPoint, const DropData& data) override {
        drops.push_back(data);
        return true;
    }
    void platformTick() override { ++ticks; }
};

// Messages the host's window received from ours.
std::vector<UINT> parentMessages;

LRESULT CALLBACK parentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_MOUSEWHEEL) parentMessages.push_back(message);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void pumpFor(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        pumpFor(std::chrono::milliseconds(10));
    }
    return true;
}

void send(std::vector<INPUT> inputs) { SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)); }

INPUT mouseInput(DWORD flags, LONG data = 0) {
    INPUT i{};
    i.type = INPUT_MOUSE;
    i.mi.dwFlags = flags;
    i.mi.mouseData = DWORD(data);
    return i;
}

INPUT keyInput(WORD vk, bool up) {
    INPUT i{};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = vk;
    i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return i;
}

void tap(WORD vk, std::vector<WORD> held = {}) {
    std::vector<INPUT> inputs;
    for (WORD h : held) inputs.push_back(keyInput(h, false));
    inputs.push_back(keyInput(vk, false));
    inputs.push_back(keyInput(vk, true));
    for (WORD h : held) inputs.push_back(keyInput(h, true));
    send(inputs);
}

// A host window at the screen's top-left. Tests share one: Wine without a
// window manager takes two seconds to destroy an active top-level window.
HWND makeHostWindow() {
    WNDCLASSW c{};
    c.lpfnWndProc = parentProc;
    c.hInstance = GetModuleHandleW(nullptr);
    c.lpszClassName = L"CalverineTestHost";
    RegisterClassW(&c);
    HWND hwnd = CreateWindowExW(0, c.lpszClassName, L"test host", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                nullptr, c.hInstance, nullptr);
    SetForegroundWindow(hwnd);
    return hwnd;
}

HWND sharedHost() {
    static HWND host = makeHostWindow();
    return host;
}

// Our window inside the host window.
class Win32Test : public ::testing::Test {
protected:
    void SetUp() override {
        parent_ = sharedHost();
        ASSERT_NE(parent_, nullptr);
        std::string error;
        window_ = PlatformWindow::create(parent_, kWidth, kHeight, rec_, &error);
        ASSERT_NE(window_, nullptr) << error;
        hwnd_ = static_cast<HWND>(window_->nativeHandle());
        pumpFor(std::chrono::milliseconds(100));
        parentMessages.clear();
    }
    void TearDown() override {
        window_.reset();
        pumpFor(std::chrono::milliseconds(20));
    }

    // Moves the real pointer to window pixel (x, y).
    void pointTo(int x, int y) {
        POINT p{x, y};
        ClientToScreen(hwnd_, &p);
        SetCursorPos(p.x, p.y);
        pumpFor(std::chrono::milliseconds(30));
    }

    COLORREF screenPixel(int x, int y) {
        HDC dc = GetDC(hwnd_);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(hwnd_, dc);
        return c;
    }

    Recorder rec_;
    HWND parent_ = nullptr;
    std::unique_ptr<PlatformWindow> window_;
    HWND hwnd_ = nullptr;
};

class Window : public Win32Test {};
class Mouse : public Win32Test {};
class Keys : public Win32Test {};
class Drop : public Win32Test {};

}  // namespace

TEST_F(Window, IsAVisibleChildOfTheHostWindowAndPaintsWhatIsDirty) {
    EXPECT_EQ(GetParent(hwnd_), parent_);
    EXPECT_TRUE(IsWindowVisible(hwnd_));
    RECT client;
    GetClientRect(hwnd_, &client);
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);

    rec_.drawn.clear();
    rec_.paint = CColor{0, 0, 255, 255};
    window_->invalidate(CRect{10.5, 20, 30, 40.2});
    window_->pump();
    ASSERT_FALSE(rec_.drawn.empty());
    // Whole pixels around the dirty rectangle, and the screen shows the paint.
    EXPECT_LE(rec_.drawn.back().left, 10);
    EXPECT_GE(rec_.drawn.back().bottom, 41);
    EXPECT_EQ(screenPixel(12, 39), RGB(0, 0, 255));
    EXPECT_EQ(screenPixel(60, 60), RGB(255, 0, 0));

    window_->setSize(120, 80);
    GetClientRect(hwnd_, &client);
    EXPECT_EQ(client.right, 120);
    EXPECT_EQ(client.bottom, 80);
}

TEST_F(Window, NeedsARealParentAndSurvivesOneDestroyedFirst) {
    std::string error;
    EXPECT_EQ(PlatformWindow::create(nullptr, 10, 10, rec_, &error), nullptr);
    EXPECT_EQ(error, "The parent is not a window.");

    HWND doomed = CreateWindowExW(0, L"CalverineTestHost", L"doomed", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    auto orphan = PlatformWindow::create(doomed, 40, 40, rec_);
    ASSERT_NE(orphan, nullptr);
    DestroyWindow(doomed);
    EXPECT_FALSE(IsWindow(static_cast<HWND>(orphan->nativeHandle())));
    rec_.ticks = 0;
    orphan->invalidate(CRect{0, 0, 10, 10});
    orphan->pump();
    orphan->setSize(50, 50);
    window_.reset();  // the other window's clock must not count
    pumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(rec_.ticks, 0);
    orphan.reset();  // no crash, no call on the listener
}

TEST_F(Window, ClockTicksAboutThirtyTimesASecondAndOpeningAgainLeavesNoWindowBehind) {
    rec_.ticks = 0;
    pumpFor(std::chrono::milliseconds(1000));
    EXPECT_GE(rec_.ticks, 20);
    EXPECT_LE(rec_.ticks, 40);

    for (int i = 0; i < 50; ++i) {
        window_.reset();
        window_ = PlatformWindow::create(parent_, kWidth, kHeight, rec_);
        ASSERT_NE(window_, nullptr);
    }
    int children = 0;
    EnumChildWindows(
        parent_, [](HWND, LPARAM count) { return ++*reinterpret_cast<int*>(count), TRUE; },
        reinterpret_cast<LPARAM>(&children));
    EXPECT_EQ(children, 1);
}

TEST_F(Mouse, DragsKeepGoingOutsideAndDoubleClicksAreMarked) {
    pointTo(50, 40);
    rec_.mouse.clear();
    send({mouseInput(MOUSEEVENTF_LEFTDOWN)});
    pumpFor(std::chrono::milliseconds(30));
    pointTo(250, 150);  // beyond the window: the drag stays ours
    send({mouseInput(MOUSEEVENTF_LEFTUP)});
    ASSERT_TRUE(pumpUntil([&] { return !rec_.mouse.empty() && rec_.mouse.back().kind == 'u'; }));
    EXPECT_EQ(rec_.mouse.front().kind, 'd');
    EXPECT_EQ(rec_.mouse.front().where.x, 50);
    EXPECT_EQ(rec_.mouse.front().where.y, 40);
    EXPECT_EQ(rec_.mouse.front().buttons, std::uint32_t(kLButton));
    const auto moved = std::find_if(rec_.mouse.begin(), rec_.mouse.end(),
                                    [](const Recorder::Mouse& m) { return m.kind == 'm' && m.where.x == 250; });
    ASSERT_NE(moved, rec_.mouse.end());
    EXPECT_TRUE(moved->buttons & kLButton);
    EXPECT_EQ(rec_.mouse.back().where.y, 150);

    // Shift + a right double click.
    pointTo(20, 20);
    rec_.mouse.clear();
    send({keyInput(VK_SHIFT, false), mouseInput(MOUSEEVENTF_RIGHTDOWN), mouseInput(MOUSEEVENTF_RIGHTUP),
          mouseInput(MOUSEEVENTF_RIGHTDOWN), mouseInput(MOUSEEVENTF_RIGHTUP), keyInput(VK_SHIFT, true)});
    std::vector<std::uint32_t> downs;
    ASSERT_TRUE(pumpUntil([&] {
        downs.clear();
        for (const auto& m : rec_.mouse)
            if (m.kind == 'd') downs.push_back(m.buttons);
        return downs.size() == 2;
    }));
    EXPECT_EQ(downs[0], std::uint32_t(kRButton | kShift));
    EXPECT_EQ(downs[1], std::uint32_t(kRButton | kShift | kDoubleClick));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Mouse, WheelNotchesAndLeavingAreReportedAndAnUnusedWheelGoesToTheHost) {
    pointTo(30, 30);
    send({mouseInput(MOUSEEVENTF_WHEEL, WHEEL_DELTA), mouseInput(MOUSEEVENTF_WHEEL, -2 * WHEEL_DELTA)});
    ASSERT_TRUE(pumpUntil([&] { return rec_.wheel.size() == 2; }));
    EXPECT_EQ(rec_.wheel[0], 1.0);
    EXPECT_EQ(rec_.wheel[1], -2.0);
    EXPECT_TRUE(parentMessages.empty());

    rec_.takeWheel = false;
    send({mouseInput(MOUSEEVENTF_WHEEL, WHEEL_DELTA)});
    EXPECT_TRUE(pumpUntil([&] { return !parentMessages.empty(); }));

    rec_.exits = 0;
    pointTo(250, 150);
    EXPECT_TRUE(pumpUntil([&] { return rec_.exits == 1; }));
}

TEST_F(Keys, TypedKeysArriveAsCharactersAndNamedKeysWhileFocused) {
    window_->setKeyboardFocus(true);
    EXPECT_EQ(GetFocus(), hwnd_);
    tap('A');
    tap('A', {VK_SHIFT});
    tap('C', {VK_CONTROL});
    tap(VK_RETURN);
    tap(VK_LEFT, {VK_SHIFT});
    tap(VK_SPACE);
    ASSERT_TRUE(pumpUntil([&] { return rec_.keysDown.size() == 6; })) << rec_.keysDown.size();
    EXPECT_EQ(rec_.keysDown[0].character, U'a');
    EXPECT_EQ(rec_.keysDown[1].character, U'A');
    EXPECT_EQ(rec_.keysDown[2].character, U'c');
    EXPECT_EQ(rec_.keysDown[2].modifiers, std::uint32_t(kControl));
    EXPECT_EQ(rec_.keysDown[3].key, VirtualKey::Return);
    EXPECT_EQ(rec_.keysDown[4].key, VirtualKey::Left);
    EXPECT_EQ(rec_.keysDown[4].modifiers, std::uint32_t(kShift));
    EXPECT_EQ(rec_.keysDown[5].key, VirtualKey::Space);
    EXPECT_EQ(rec_.keysDown[5].character, U' ');
    EXPECT_FALSE(rec_.keysUp.empty());

    // Keys that type nothing go on to the host, and so does a key no view wants.
    tap(VK_F5);
    EXPECT_TRUE(pumpUntil([&] { return !parentMessages.empty(); }));
    parentMessages.clear();
    rec_.takeKeys = false;
    tap(VK_ESCAPE);
    EXPECT_TRUE(pumpUntil([&] { return !parentMessages.empty(); }));

    window_->setKeyboardFocus(false);
    EXPECT_NE(GetFocus(), hwnd_);
}

TEST_F(Keys, ClipboardTextGoesBothWaysBeyondAscii) {
    window_->setClipboardText("Zoë — Ångström");
    EXPECT_EQ(window_->clipboardText(), "Zoë — Ångström");
    ASSERT_TRUE(OpenClipboard(nullptr));
    const auto* text = static_cast<const wchar_t*>(GlobalLock(GetClipboardData(CF_UNICODETEXT)));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::wstring(text), L"Zo\u00eb \u2014 \u00c5ngstr\u00f6m");
    GlobalUnlock(GetClipboardData(CF_UNICODETEXT));
    CloseClipboard();
}

namespace {

// A shell drop of `paths` (UTF-16), as Explorer builds it.
HGLOBAL dropFiles(const std::vector<std::wstring>& paths, POINT at) {
    std::size_t chars = 1;
    for (const auto& p : paths) chars += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->pt = at;
    header->fWide = TRUE;
    auto* out = reinterpret_cast<wchar_t*>(header + 1);
    for (const auto& p : paths) {
        std::memcpy(out, p.c_str(), (p.size() + 1) * sizeof(wchar_t));
        out += p.size() + 1;
    }
    GlobalUnlock(memory);
    return memory;
}

// A source that lets go on its second question.
struct DropSource : IDropSource {
    int asked = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        *object = (id == IID_IUnknown || id == IID_IDropSource) ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override {
        return ++asked >= 2 ? DRAGDROP_S_DROP : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

// Drags what the clipboard holds onto the window, as OLE does from another
// program; the effect the window answered.
DWORD oleDrag(HWND target) {
    IDataObject* data = nullptr;
    if (OleGetClipboard(&data) != S_OK) return DWORD(-1);
    RECT r;
    GetWindowRect(target, &r);
    SetCursorPos(r.left + 40, r.top + 30);
    DropSource source;
    DWORD effect = DROPEFFECT_NONE;
    send({mouseInput(MOUSEEVENTF_LEFTDOWN)});
    DoDragDrop(data, &source, DROPEFFECT_COPY, &effect);
    send({mouseInput(MOUSEEVENTF_LEFTUP)});
    data->Release();
    return effect;
}

}  // namespace

TEST_F(Drop, FilesFromTheShellArriveAsUtf8Paths) {
    const std::vector<std::wstring> paths = {L"C:\\Banks\\Zo\u00eb.fxp", L"C:\\Banks\\Pads.zip"};
    PostMessageW(hwnd_, WM_DROPFILES, WPARAM(dropFiles(paths, {40, 30})), 0);
    ASSERT_TRUE(pumpUntil([&] { return rec_.drops.size() == 1; }));
    EXPECT_EQ(rec_.drops[0].kind, DropData::Kind::Files);
    EXPECT_EQ(rec_.drops[0].items, (std::vector<std::string>{"C:\\Banks\\Zoë.fxp", "C:\\Banks\\Pads.zip"}));

    rec_.takeDrops = false;
    PostMessageW(hwnd_, WM_DROPFILES, WPARAM(dropFiles(paths, {40, 30})), 0);
    pumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(rec_.drops.size(), 1u);
}

TEST_F(Drop, OleDragsOfFilesAndTextAreTakenOrRefusedByTheViews) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_HDROP, dropFiles({L"C:\\Banks\\Zo\u00eb.fxp"}, {0, 0}));
    CloseClipboard();
    EXPECT_EQ(oleDrag(hwnd_), DWORD(DROPEFFECT_COPY));
    ASSERT_EQ(rec_.drops.size(), 1u);
    EXPECT_EQ(rec_.drops[0].kind, DropData::Kind::Files);
    EXPECT_EQ(rec_.drops[0].items, std::vector<std::string>{"C:\\Banks\\Zoë.fxp"});

    window_->setClipboardText("<xml/>");
    EXPECT_EQ(oleDrag(hwnd_), DWORD(DROPEFFECT_COPY));
    ASSERT_EQ(rec_.drops.size(), 2u);
    EXPECT_EQ(rec_.drops[1].kind, DropData::Kind::Text);
    EXPECT_EQ(rec_.drops[1].items, std::vector<std::string>{"<xml/>"});

    rec_.takeDrops = false;
    EXPECT_EQ(oleDrag(hwnd_), DWORD(DROPEFFECT_NONE));
    EXPECT_EQ(rec_.drops.size(), 2u);
    OleUninitialize();
}
