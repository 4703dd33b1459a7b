#!/usr/bin/env bash
# Installs what the build needs (Debian packages) when it is missing.
#   tools/install-deps.sh        compiler, CMake, GoogleTest, gemmi
#   tools/install-deps.sh fuzz   also clang and its libFuzzer runtime
#   tools/install-deps.sh browser  also Chromium (tests render vorn.svg and
#                                  vorn.html in it, driven by node)
#   tools/install-deps.sh test   also cctbx (tests read fixedH.ins back with its
#                                SHELX reader and vorn.tsc with its table
#                                reader; skipped without it)
# Always: the molecular viewer library 3Dmol.js (BSD-3-Clause, from the npm
# registry, version pinned in third_party/3dmol/package-lock.json), which
# vorn.html embeds; it lands with its LICENSE in
# third_party/3dmol/node_modules/3dmol/.
set -e
need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
# gemmi (header-only): symmetry and point-group tables, CIF, anomalous
# scattering; its CIF parser needs PEGTL and its image code stb.
[ -f /usr/include/gemmi/symmetry.hpp ] || need+=(gemmi-dev)
[ -d /usr/include/tao/pegtl ] || need+=(tao-pegtl-dev)
[ -d /usr/include/stb ] || need+=(libstb-dev)
if [ "${1:-}" = fuzz ]; then
  command -v clang++ >/dev/null 2>&1 || need+=(clang)
  # libFuzzer's runtime ships in the compiler-rt package of clang 14.
  fuzzer_lib=$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a 2>/dev/null || true)
  if ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 &&
     [ ! -f "$fuzzer_lib" ]; then
    need+=(libclang-rt-14-dev)
  fi
fi
viewer_library=third_party/3dmol/node_modules/3dmol/build/3Dmol-min.js
cd "$(dirname "$0")/.."
[ -f "$viewer_library" ] || command -v npm >/dev/null 2>&1 || need+=(npm)
if [ "${1:-}" = browser ]; then
  command -v chromium >/dev/null 2>&1 || need+=(chromium)
  command -v node >/dev/null 2>&1 || need+=(nodejs)
fi
if [ "${1:-}" = test ]; then
  /usr/bin/python3 -c 'import cctbx' >/dev/null 2>&1 || need+=(python3-cctbx)
  # Without root the test that needs cctbx is skipped: no reason to stop.
  if [ "$(id -u)" != 0 ] && [ ${#need[@]} -eq 1 ] && [ "${need[0]}" = python3-cctbx ]; then
    echo "Note: python3-cctbx is not installed; the tests that read fixedH.ins and vorn.tsc back will be skipped" >&2
    exit 0
  fi
fi
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
  else
    echo "Please install: ${need[*]}" >&2
    exit 1
  fi
fi
if [ ! -f "$viewer_library" ]; then
  (cd third_party/3dmol && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error) ||
    echo "The viewer library could not be installed: vorn.html will be written without its 3D view" >&2
fi
