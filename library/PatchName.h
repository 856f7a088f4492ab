// Rules for the names of soundbanks, categories and patches: what a user may
// type, and the author codes at the end of a patch name ("Deep Bass QV",
// "Lead A+B").
#pragma once

#include <string>
#include <vector>

namespace calverine {

enum class NameKind { Bank, Category, Patch };

constexpr int kMaxTypedNameLength = 64;

// True when `name` may be used; otherwise shows the reason in an "Error" box.
// At most 64 characters, not empty, none of * / : < > \ | nor a control
// character ("?" and '"' are fine), and not beginning with ".".
bool checkName(const std::string& name, NameKind kind);

// A patch name split into its base and its author codes: the text after the
// last space, when it is 1 to 12 characters, split at "+" into at most three
// pieces; each piece of 1 to 4 characters is a code ("Qel" is written "QL").
// Without any code the whole name is the base.
struct AuthorSuffix {
    std::string base;
    std::vector<std::string> codes;
    // " " + codes joined by "+", or "" without codes.
    std::string text() const;
};
AuthorSuffix splitAuthorSuffix(const std::string& name);

}  // namespace calverine
