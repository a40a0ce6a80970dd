// Lines of the TAB-separated files the program writes for other tools and for itself (the
// signature exchange file, the journal, the signature check's result).
#pragma once

#include <string_view>
#include <vector>

// The fields of line between its TABs: n TABs give n + 1 fields, an empty line one empty
// field. The views point into line.
std::vector<std::string_view> SplitTabFields(std::string_view line);
