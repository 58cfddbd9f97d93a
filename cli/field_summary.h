// Prints value fields as "caption: text" lines, for the end of a road.
#pragma once

#include <cstdio>
#include <initializer_list>

#include "cli/console_view.h"

namespace zentrel::cli {

void PrintFields(const ConsoleView& view, std::initializer_list<ValueField> fields,
                 std::FILE* out = stdout);

}  // namespace zentrel::cli
