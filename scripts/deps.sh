# Shared by scripts/run and scripts/test: the Debian packages Lumivex needs.
# shellcheck shell=bash
LUMIVEX_BUILD_PACKAGES="build-essential cmake pkg-config libx11-dev libxext-dev libx11-xcb-dev libxcb-shm0-dev libgtk-3-dev \
libfreetype-dev libfontconfig-dev libsdl2-dev libsdl2-mixer-dev libpng-dev fonts-liberation \
xdg-utils sound-theme-freedesktop libssl-dev ca-certificates"
# ccache: the fresh-clone test builds the program a second time from the same
# sources, which the cache makes cheap.
LUMIVEX_TEST_PACKAGES="libgtest-dev libgmock-dev libbenchmark-dev xvfb xdotool x11-utils \
imagemagick faketime clang libclang-rt-14-dev timgm6mb-soundfont \
desktop-file-utils libxml2-utils shared-mime-info libglib2.0-bin groff-base \
dovecot-pop3d openssl python3 gsettings-desktop-schemas mate-desktop-common xscreensaver git locales \
xscreensaver-data xscreensaver-data-extra ccache"

# Installs whatever of the given packages is missing. As root it runs apt-get;
# otherwise it prints the one line to run and fails.
lumivex_install() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Please run:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    return 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || return 1
  apt-get install -y -qq "${missing[@]}" || return 1
}
