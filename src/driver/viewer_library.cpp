#include "driver/viewer_library.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "viewer_library_path.hpp"

namespace vorn {

std::optional<std::string> read_viewer_library() {
  std::vector<std::filesystem::path> places;
  if (const char* env = std::getenv("VORN_3DMOL"); env && *env) places.emplace_back(env);
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) places.push_back(self.parent_path().parent_path() / "share" / "vorn" / "3Dmol-min.js");
  places.emplace_back(kBuildViewerLibrary);
  for (const std::filesystem::path& p : places) {
    if (!std::filesystem::is_regular_file(p, ec)) continue;
    std::ifstream in(p, std::ios::binary);
    std::ostringstream text;
    if (in && text << in.rdbuf() && !text.str().empty()) return text.str();
  }
  return std::nullopt;
}

}  // namespace vorn
