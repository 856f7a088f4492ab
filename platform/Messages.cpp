#include "Messages.h"

#include <cstdio>

namespace platform {

namespace {
MessageHook gHook = nullptr;
void* gHookUser = nullptr;

const char* iconName(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error: return "error";
    case MessageIcon::Warning: return "warning";
    case MessageIcon::Info: return "info";
    case MessageIcon::Question: return "question";
    }
    return "";
}
}  // namespace

void setMessageHook(MessageHook hook, void* user) {
    gHook = hook;
    gHookUser = user;
}

MessageHook currentMessageHook(void** user) {
    *user = gHookUser;
    return gHook;
}

void showMessage(const char* title, const char* text, MessageIcon icon) {
    if (gHook) {
        gHook(title, text, icon, gHookUser);
        return;
    }
    std::fprintf(stderr, "Calverine %s: %s: %s\n", iconName(icon), title, text);
}

}  // namespace platform

namespace platform {

void reportIndexOutOfRange(int index, int max, int code) {
    char text[128];
    std::snprintf(text, sizeof(text), "Index out of range [%d] / max: %d (Code: %d)", index, max, code);
    showMessage("Error", text, MessageIcon::Error);
}

void reportArrayTooLarge(int size, int max, int code) {
    char text[128];
    std::snprintf(text, sizeof(text), "Array max size exceeded [%d] / max: %d (Code: %d)", size, max, code);
    showMessage("Error", text, MessageIcon::Error);
}

void reportAssertion(const char* what) { showMessage("Assertion failed", what, MessageIcon::Error); }

}  // namespace platform
