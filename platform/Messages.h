// User messages: one titled message with an icon kind. Where no editor shows
// it, it goes to standard error. Tests install a hook that captures every
// message instead.
#pragma once

namespace platform {

enum class MessageIcon { Error, Warning, Info, Question };

void showMessage(const char* title, const char* text, MessageIcon icon);

// A hook that receives every message instead of the default output; null
// restores the default. Not for the audio thread.
using MessageHook = void (*)(const char* title, const char* text, MessageIcon icon, void* user);
void setMessageHook(MessageHook hook, void* user);

}  // namespace platform
