#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# when any of them is missing.
set -euo pipefail
packages=(cmake g++ make qt6-base-dev libgl-dev libsqlite3-dev qt6-translations-l10n
          fonts-liberation2 fonts-dejavu-core
          qt6-svg-dev libzip-dev libpoppler-qt6-dev poppler-utils libxml2-dev libxml2-utils
          libreadstat-dev libstemmer-dev libyaml-cpp-dev sqlite3 lld
          dpkg-dev file appstream desktop-file-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
