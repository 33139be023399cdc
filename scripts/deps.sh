#!/usr/bin/env bash
# Installs the Debian packages the build, the programs and the tests need, only those missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-translations-l10n libx11-dev
  libsndfile1-dev libasound2-dev libcap-dev libcap2-bin uuid-dev libsystemd-dev dbus dbus-daemon
  libgtest-dev libgmock-dev libbenchmark-dev
  clang clang-format libclang-rt-14-dev ccache
  fonts-nanum fonts-liberation2 fontconfig libfontconfig-dev
  xvfb x11-utils
  trayer imagemagick faketime libfaketime xdotool x11-apps
  dpkg-dev file lintian desktop-file-utils
  tzdata rdate
  openbox xcompmgr dbus-x11 at-spi2-core python3-pyatspi python3-dbusmock
)

# One question to dpkg for all of them, so a start with everything installed costs no time.
installed=" $(dpkg-query -W -f='${Package} ${db:Status-Abbrev}\n' "${packages[@]}" 2>/dev/null |
  awk '$2 ~ /^ii/ { printf "%s ", $1 }' || true)"
missing=()
for p in "${packages[@]}"; do
  [[ "$installed" == *" $p "* ]] || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
