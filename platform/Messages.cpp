#include "Messages.h"

#include <cstdio>

#include "SystemServices.h"

namespace platform {

namespace {
MessageHook gHook = nullptr;
void* gHookUser = nullptr;

}  // namespace

std::string quoted(std::string_view text) {
    // Built with reserve and +=: GCC 12 misreads a concatenation with a
    // one-character literal as an overlapping copy.
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    out += text;
    out += '\'';
    return out;
}

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
    native::showMessage(title, text, icon);
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
