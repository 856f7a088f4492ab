// User messages: one titled message with an icon kind. Where no editor shows
// it, it goes to standard error (on Windows, to a MessageBoxW). Tests install a hook that captures every
// message instead.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// `text` in single quotes, for naming a file or a value in a message.
std::string quoted(std::string_view text);

enum class MessageIcon { Error, Warning, Info, Question };

void showMessage(const char* title, const char* text, MessageIcon icon);

// A hook that receives every message instead of the default output; null
// restores the default. Not for the audio thread.
using MessageHook = void (*)(const char* title, const char* text, MessageIcon icon, void* user);
void setMessageHook(MessageHook hook, void* user);
// The hook in place now (null for the default), so a temporary one can put it back.
MessageHook currentMessageHook(void** user);

}  // namespace platform

namespace platform {

// "Index out of range [%d] / max: %d (Code: %d)" in an "Error" box. The caller
// goes on with a zero element in place of the missing one.
void reportIndexOutOfRange(int index, int max, int code);
// "Array max size exceeded [%d] / max: %d (Code: %d)" in an "Error" box.
void reportArrayTooLarge(int size, int max, int code);
// An internal check that failed: `what` in a box titled "Assertion failed".
void reportAssertion(const char* what);

// Arrays of this many entries or more are refused.
constexpr int kMaxArrayEntries = 220000;

}  // namespace platform
