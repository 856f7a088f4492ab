// Catches every message the product shows, for as long as the object lives.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "Messages.h"

namespace calverine::test {

struct MessageCapture {
    MessageCapture() { platform::setMessageHook(&capture, this); }
    ~MessageCapture() { platform::setMessageHook(nullptr, nullptr); }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    // The texts shown so far, and forgetting them.
    std::vector<std::string> take() {
        titles.clear();
        return std::exchange(texts, {});
    }

    std::vector<std::string> titles, texts;

private:
    static void capture(const char* title, const char* text, platform::MessageIcon, void* user) {
        static_cast<MessageCapture*>(user)->titles.emplace_back(title);
        static_cast<MessageCapture*>(user)->texts.emplace_back(text);
    }
};

}  // namespace calverine::test
