#include "PatchName.h"

#include "LibraryListing.h"
#include "Messages.h"

namespace calverine {

namespace {

const char* kindName(NameKind kind) {
    switch (kind) {
    case NameKind::Bank: return "bank";
    case NameKind::Category: return "category";
    case NameKind::Patch: return "patch";
    }
    return "";
}

}  // namespace

bool checkName(const std::string& name, NameKind kind) {
    const std::string kindText = kindName(kind);
    const auto refuse = [](const std::string& text) {
        platform::showMessage("Error", text.c_str(), platform::MessageIcon::Error);
        return false;
    };
    if (static_cast<int>(name.size()) > kMaxTypedNameLength)
        return refuse("The maximum " + kindText + " name length is 64 characters.");
    if (name.empty() || name.find_first_of("*/:<>\\|") != std::string::npos ||
        LibraryListing::hasControlCharacter(name))
        return refuse("The following characters are not allowed in the name of the " + kindText +
                      ":\n\n   /   \\  :  *  <  >  | ");
    // The library never lists a name that begins with ".": a patch renamed so
    // would vanish from the browser.
    if (name[0] == '.') return refuse("The name of the " + kindText + " cannot begin with \".\".");
    return true;
}

std::string AuthorSuffix::text() const {
    std::string s;
    for (const std::string& code : codes) s += (s.empty() ? " " : "+") + code;
    return s;
}

AuthorSuffix splitAuthorSuffix(const std::string& name) {
    AuthorSuffix result{name, {}};
    const std::size_t space = name.rfind(' ');
    if (space == std::string::npos) return result;
    const std::string candidate = name.substr(space + 1);
    if (candidate.empty() || candidate.size() > 12) return result;
    std::size_t start = 0;
    for (int piece = 0; piece < 3 && start <= candidate.size(); ++piece) {
        const std::size_t plus = candidate.find('+', start);
        const std::string code = candidate.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        if (!code.empty() && code.size() <= 4) result.codes.push_back(code == "Qel" ? "QL" : code);
        if (plus == std::string::npos) break;
        start = plus + 1;
    }
    if (!result.codes.empty()) result.base = name.substr(0, space);
    return result;
}

}  // namespace calverine
