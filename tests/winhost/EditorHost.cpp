// A bare Windows host for driving the plug-in's editor under Wine the way a
// person would: loads the DLL as hosts do (LoadLibraryW, VSTPluginMain),
// opens its editor inside a borderless top-level window at the screen's
// top-left, calls the editor's idle 30 times a second and closes everything
// when the quit file appears. The test script clicks and drags with real X
// input, takes screenshots of the window, and reads what this program
// prints:
//   "open <width>x<height>"       once the editor is open
//   "size <width>x<height>"       when the editor asked for another size
//   "param <index> <value>"       the watched parameters, at open and at quit
//   "closed"                      after effEditClose and effClose
//
// Usage: calverine-editor-host PLUGIN.dll QUITFILE [PARAMETER ...]
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "PluginHost.h"
#include "win32/Wide.h"

namespace {

constexpr UINT_PTR kIdleTimer = 1;

struct Session {
    calverine::render::PluginHost* host = nullptr;
    std::wstring quitFile;
    std::vector<int> watched;
    HWND window = nullptr;
};
Session session;

VstIntPtr dispatch(VstInt32 opcode, VstIntPtr value = 0, void* ptr = nullptr) {
    AEffect* e = session.host->effect();
    return e->dispatcher(e, opcode, 0, value, ptr, 0.0f);
}

void printParameters() {
    AEffect* e = session.host->effect();
    for (int index : session.watched) std::printf("param %d %.6f\n", index, double(e->getParameter(e, index)));
    std::fflush(stdout);
}

LRESULT CALLBACK hostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            dispatch(effEditIdle);
            if (GetFileAttributesW(session.quitFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
                // As hosts do: the editor closes before its window goes.
                printParameters();
                dispatch(effEditClose);
                DestroyWindow(hwnd);
            }
            return 0;
        case WM_DESTROY:
            KillTimer(hwnd, kIdleTimer);
            PostQuitMessage(0);
            return 0;
        default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: calverine-editor-host PLUGIN.dll QUITFILE [PARAMETER ...]\n");
        return 2;
    }
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n for the script
    for (int i = 3; i < argc; ++i) session.watched.push_back(std::atoi(argv[i]));
    session.quitFile = platform::win32::widen(argv[2]);

    calverine::render::PluginHost::Settings settings;
    settings.sizeWindow = [](int width, int height) {
        std::printf("size %dx%d\n", width, height);
        std::fflush(stdout);
        return SetWindowPos(session.window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER) != FALSE;
    };
    calverine::render::PluginHost host(settings);
    session.host = &host;
    std::string error;
    if (!host.load(argv[1], error)) {
        std::fprintf(stderr, "calverine-editor-host: %s\n", error.c_str());
        return 1;
    }
    host.open(64);
    ERect* rect = nullptr;
    if (!(host.effect()->flags & effFlagsHasEditor) || dispatch(effEditGetRect, 0, &rect) == 0 || !rect) {
        std::fprintf(stderr, "calverine-editor-host: the plug-in has no editor\n");
        return 1;
    }
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;

    WNDCLASSW c{};
    c.lpfnWndProc = hostProc;
    c.hInstance = GetModuleHandleW(nullptr);
    c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    c.lpszClassName = L"CalverineEditorHost";
    RegisterClassW(&c);
    HWND window = session.window = CreateWindowExW(0, c.lpszClassName, L"Calverine editor host", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                  height, nullptr, nullptr, c.hInstance, nullptr);
    if (!window || dispatch(effEditOpen, 0, window) == 0) {
        std::fprintf(stderr, "calverine-editor-host: the editor did not open\n");
        return 1;
    }
    SetForegroundWindow(window);
    std::printf("open %dx%d\n", width, height);
    printParameters();
    SetTimer(window, kIdleTimer, 33, nullptr);

    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    host.shutdown();
    std::printf("closed\n");
    return 0;
}
