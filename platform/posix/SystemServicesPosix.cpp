#include <cstdio>

#include "SystemServices.h"

namespace platform::native {

namespace {

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

bool readSetting(const std::string&, std::vector<std::uint8_t>&) { return false; }

bool writeSetting(const std::string&, const void*, std::size_t) { return false; }

void showMessage(const char* title, const char* text, MessageIcon icon) {
    std::fprintf(stderr, "Calverine %s: %s: %s\n", iconName(icon), title, text);
}

}  // namespace platform::native
