// Whether a hidraw node opens, found without hidapi. hidapi 0.13's
// hid_open_path, when the node opens but then does not answer
// HIDIOCGRDESCSIZE (a device that leaves at that moment, as a board does
// when another road resets it), closes its record and then writes its error
// text into the freed record: the text is never freed. So the probes of
// every enumeration never go through hidapi, and Open lets hidapi open only
// a node that has just answered.
#pragma once

#include <string>

namespace zentrel {

// 0 when the node opens for reading and writing and answers
// HIDIOCGRDESCSIZE, as hidapi requires of it; else the errno that stopped it.
int ProbeHidrawNode(const std::string& path);

}  // namespace zentrel
