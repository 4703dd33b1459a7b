#include "support/test_support.hpp"

#include "layout/run_error.hpp"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

namespace vorn::test {

namespace fs = std::filesystem;

MemoryRun::MemoryRun() {
  rs->io.log.terminal = &term;
  rs->io.log.file.open_memory("vorn.out");
}

void MemoryRun::as_driver(const std::function<void()>& f) {
  try {
    f();
  } catch (const RunError& e) {
    to_log(*rs, e.report());
    to_term(*rs, e.report());
    throw;
  }
}

ScratchDir::ScratchDir() {
  std::random_device rd;
  for (int k = 0; k < 100; ++k) {
    const fs::path p = fs::temp_directory_path() / ("vorn-test-" + std::to_string(rd()));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      path_ = p.string();
      return;
    }
  }
  throw std::runtime_error("cannot create a scratch directory");
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void ScratchDir::write(const std::string& name, const std::string& text) const {
  std::ofstream f(file(name), std::ios::binary);
  f << text;
}

std::string ScratchDir::read(const std::string& name) const {
  std::ifstream f(file(name), std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

bool ScratchDir::exists(const std::string& name) const { return fs::exists(file(name)); }

void ScratchDir::copy_in(const std::string& source, const std::string& name) const {
  fs::copy_file(source, file(name), fs::copy_options::overwrite_existing);
}

RunResult run_vorn(const ScratchDir& dir, const std::string& args, const std::string& input) {
  dir.write(".stdin", input);
  const std::string cmd = "cd '" + dir.path() + "' && timeout 120 '" + VORN_BINARY + "' " + args +
                          " < .stdin > .stdout 2>&1";
  const int rc = std::system(cmd.c_str());
  RunResult r;
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  r.out = dir.read(".stdout");
  fs::remove(dir.file(".stdin"));
  fs::remove(dir.file(".stdout"));
  return r;
}

std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

std::string numbered(const std::string& prefix, long n) { return prefix + std::to_string(n); }

std::string error_report(const std::function<void()>& f) {
  try {
    f();
  } catch (const RunError& e) {
    return e.report();
  }
  return "";
}

bool exhaustive() { return std::getenv("VORN_EXHAUSTIVE") != nullptr; }

std::vector<std::string> shelx_structures() {
  static const char* const sample[] = {"C2c_AlGa_fluoroalkoxy_MOESM1367.res", "urea_P-421m_special_positions.res",
                                       "naphthalene_P21a_half_molecule.res", "thpp_P21n_disorder_cctbx.ins",
                                       "Mg_hydrogenmaleate_hexahydrate_P21c_inversion.res", "paracetamol_P21n.res"};
  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(test_data("shelx"))) {
    const std::string name = e.path().filename().string();
    if (exhaustive() || std::find(std::begin(sample), std::end(sample), name) != std::end(sample))
      files.push_back(e.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string test_data(const std::string& rel) { return std::string(VORN_TEST_DATA) + "/" + rel; }

}  // namespace vorn::test
