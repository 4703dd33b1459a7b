// The molecular viewer library (3Dmol.js) that vorn.html embeds, read
// when the page is written so that the program carries no copy of it.
#pragma once

#include <optional>
#include <string>

namespace vorn {

// The library's text: from the file $VORN_3DMOL names, else share/vorn/
// beside the installed program, else where the build found it.  Nothing
// when none of them can be read.
std::optional<std::string> read_viewer_library();

}  // namespace vorn
