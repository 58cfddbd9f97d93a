// Prints value fields as "caption: text" lines, for the end of a road.
#pragma once

#include <cstdio>
#include <vector>

#include "cli/console_view.h"

namespace zentrel::cli {

void PrintFields(const ConsoleView& view, const std::vector<ValueField>& fields,
                 std::FILE* out = stdout);

}  // namespace zentrel::cli
