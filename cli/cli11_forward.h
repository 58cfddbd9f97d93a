// The headers of the commands need only the name of CLI11's application;
// CLI11 itself takes seconds to compile, so only the files that add or parse
// options include it.
#pragma once

namespace CLI {
class App;
}  // namespace CLI
