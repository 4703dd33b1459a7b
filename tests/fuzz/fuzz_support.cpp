#include "fuzz_support.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vorn::fuzz {

namespace {

std::string& scratch_path() {
  static std::string path;
  return path;
}

void remove_scratch() {
  std::error_code ec;
  if (!scratch_path().empty()) std::filesystem::remove_all(scratch_path(), ec);
}

}  // namespace

void enter_scratch() {
  if (!scratch_path().empty()) return;
  const std::string base = std::filesystem::temp_directory_path().string() + "/vorn-fuzz-XXXXXX";
  std::string buf = base;
  if (!mkdtemp(buf.data())) fail("cannot create a scratch directory");
  scratch_path() = buf;
  if (chdir(buf.c_str()) != 0) fail("cannot enter the scratch directory");
  std::atexit(remove_scratch);
}

void write_file(const std::string& name, std::string_view text) {
  std::ofstream f(name, std::ios::binary | std::ios::trunc);
  f.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!f) fail("cannot write " + name);
}

std::string_view as_text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

namespace {

struct States {
  std::unique_ptr<test::TestRun> work = std::make_unique<test::TestRun>();
  std::unique_ptr<const test::TestRun> pristine = std::make_unique<const test::TestRun>();
};

States& states() {
  static States s;
  return s;
}

}  // namespace

Run::Run() {
  States& st = states();
  rs = st.work.get();
  const test::TestRun& p = *st.pristine;
  // The records of the control file, the readers and the databank search.
  rs->sw = p.sw;
  rs->model = p.model;
  rs->rings = p.rings;
  rs->dummy = p.dummy;
  rs->kappa_sets = p.kappa_sets;
  rs->populations = p.populations;
  rs->kappas = p.kappas;
  rs->hydrogen_parents = p.hydrogen_parents;
  rs->groups = p.groups;
  rs->io = RunFiles{};
  rs->io.log.terminal = &term;
  rs->io.input = nullptr;
  rs->io.log.file.open_memory("vorn.out");
  rs->io.con.open_memory("con_mopro.inp");
}

Run::~Run() { rs->io = RunFiles{}; }

void fail(const std::string& what) {
  std::fprintf(stderr, "vorn fuzz: %s\n", what.c_str());
  std::abort();
}

}  // namespace vorn::fuzz
