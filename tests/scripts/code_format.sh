#!/usr/bin/env bash
# The C++ sources as .clang-format lays them out: lists the files that
# differ and how, so a change that skipped the formatter is caught here.
#
# usage: code_format.sh BUILD_DIR
set -u

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$source_dir/scripts/install_packages.sh"
kinetrope_install_packages clang-format || { echo "FAIL: could not install clang-format"; exit 1; }

cd "$source_dir"
mapfile -t files < <(find src tests fuzz bench man -name '*.cpp' -o -name '*.h' | sort)
[ ${#files[@]} -gt 0 ] || { echo "FAIL: no C++ sources found under $source_dir"; exit 1; }
if ! clang-format --dry-run --Werror "${files[@]}" 2> "${TMPDIR:-/tmp}/code_format.$$"; then
  grep -m 40 'error:' "${TMPDIR:-/tmp}/code_format.$$"
  rm -f "${TMPDIR:-/tmp}/code_format.$$"
  echo "FAIL: run clang-format -i on the files above"
  exit 1
fi
rm -f "${TMPDIR:-/tmp}/code_format.$$"
echo "PASS: ${#files[@]} files as .clang-format lays them out"
