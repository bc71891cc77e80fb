#!/usr/bin/env bash
# A fresh clone builds and installs with the README's Install lines on a
# machine that has only the build packages: the test libraries (GoogleTest,
# Google Benchmark) are hidden from CMake, and the README's package line must
# be the build list of scripts/deps.sh. The clone holds the committed state.
#
# Usage: fresh_clone_build.sh SOURCE_DIR WORK_DIR. Exits 77 (skipped) when
# SOURCE_DIR is not a git checkout.
set -uo pipefail
src="$1"
work="$2"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if ! command -v git >/dev/null 2>&1 || ! git -C "$src" rev-parse --git-dir >/dev/null 2>&1; then
  echo "SKIP: $src is not a git checkout, so there is nothing to clone"
  exit 77
fi

# The Install section's indented lines, in order.
install_lines=$(awk '/^## Install/ { on = 1; next } /^## / { on = 0 } on && /^    [^ ]/ { sub(/^    /, ""); print }' "$src/README.md")
[ -n "$install_lines" ] || fail "README.md has no indented lines under '## Install'"

# The package line names exactly the build packages.
apt_line=$(grep -E '^(sudo )?apt-get install' <<<"$install_lines") || fail "no apt-get line in the Install section"
readme_packages=$(sed -E 's/^(sudo )?apt-get install( -y)?//' <<<"$apt_line" | tr ' ' '\n' | grep -v '^$' | sort)
build_packages=$(bash -c '. "$1/scripts/deps.sh"; echo $LUMIVEX_BUILD_PACKAGES' _ "$src" | tr ' ' '\n' | grep -v '^$' | sort)
[ "$readme_packages" = "$build_packages" ] ||
  fail "the README's packages differ from LUMIVEX_BUILD_PACKAGES:$(diff <(echo "$readme_packages") <(echo "$build_packages"))"

cmake_lines=$(grep -E '^(sudo )?cmake ' <<<"$install_lines")
[ "$(wc -l <<<"$cmake_lines")" -ge 3 ] || fail "expected configure, build and install lines, got: $cmake_lines"

rm -rf "$work"
mkdir -p "$work"
git clone --quiet "$src" "$work/lumivex" || fail "git clone failed"
stage="$work/stage"

# Repeated runs reuse compiled objects: paths relative to the clone.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$work/lumivex" CCACHE_NOHASHDIR=1
fi

log="$work/build.log"
(
  cd "$work/lumivex" || exit 1
  # As on a machine without the test packages: finding them fails loudly.
  # shellcheck disable=SC2317  # called through eval below
  cmake() {
    if [ "${1:-}" = "-S" ]; then
      command cmake "$@" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
    else
      command cmake "$@"
    fi
  }
  while IFS= read -r line; do
    line=${line#sudo }
    # The install goes to a staging folder, not into this machine.
    case "$line" in
      "cmake --install"*) line="DESTDIR='$stage' $line" ;;
    esac
    echo "+ $line"
    eval "$line" || exit 1
  done <<<"$cmake_lines"
) >"$log" 2>&1 || {
  tail -n 40 "$log" >&2
  fail "an Install line failed (log: $log)"
}

[ ! -e "$work/lumivex/build/tests" ] || fail "a plain build made the test suites"
[ ! -e "$work/lumivex/build/tools" ] || fail "a plain build made the tools"
binary=$(find "$stage" -path '*/bin/lumivex' -type f | head -n 1)
[ -x "$binary" ] || fail "no lumivex installed under $stage"
"$binary" --version | grep -q '^lumivex v' || fail "the installed program does not answer --version"

# The modules it loads when needed lie in <libdir>/lumivex beside its bin
# folder, and the program itself links none of the libraries behind them.
modules="$(dirname "$(dirname "$binary")")/lib/lumivex"
for module in liblumivex_gtk.so liblumivex_sound.so liblumivex_tls.so liblumivex_gio.so; do
  [ -f "$modules/$module" ] || fail "$module is not installed in $modules"
done
linked=$(ldd "$binary" | grep -E 'libgtk|libgdk|libSDL2|libssl|libcrypto|libgio' || true)
[ -z "$linked" ] || fail "the installed program links what it should load when needed: $linked"

# Every installed desktop entry passes the validator (the screen-saver entry
# may carry the hint that it has no main category, which keeps it out of menus).
if command -v desktop-file-validate >/dev/null 2>&1; then
  count=0
  while IFS= read -r entry; do
    count=$((count + 1))
    out=$(desktop-file-validate "$entry" 2>&1) || fail "$entry: $out"
    out=$(grep -v 'hint: value "Screensaver;" for key "Categories".*registered main category' <<<"$out")
    [ -z "$out" ] || fail "$entry: $out"
  done < <(find "$stage" -name '*.desktop')
  [ "$count" -eq 3 ] || fail "expected 3 desktop entries, found $count"
fi

rm -rf "$work"
echo "PASS: a fresh clone builds and installs with the README's lines"
