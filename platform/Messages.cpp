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

void showMessage(const char* title, const char* text, MessageIcon icon) {
    if (gHook) {
        gHook(title, text, icon, gHookUser);
        return;
    }
    std::fprintf(stderr, "Calverine %s: %s: %s\n", iconName(icon), title, text);
}

}  // namespace platform
