// The rename rule language of automatic processing. The rule is read left to right: each
// "*" copies the next dot-separated piece of the name (the last "*" that finds no dot
// copies the rest), each "." writes a dot and steps over one dot of the name, and any other
// byte is written as it is. What the rule does not consume of the name is dropped.
// "*.*.INV" turns abc.def into abc.def.INV, "_*.*_" turns it into _abc.def_.
//
// Plain byte scanning is safe for Shift_JIS names: neither "." nor "*" is ever the second
// byte of a double-byte character.
#pragma once

#include <string>
#include <string_view>

#include "util/PathStyle.h"

std::string ApplyRenameRule(std::string_view rule, std::string_view name);

// A name that stays in the folder it is joined to: not empty, not "." or "..", and without
// a separator character.
bool IsPlainFileName(std::string_view name, PathStyle style = kNativePathStyle);
