#!/usr/bin/env bash
# Installs, from Debian's packages, what building, running and testing Penwick need.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  # toolchain
  cmake ninja-build g++ pkg-config clang libclang-rt-dev ccache
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools
  qt6-webchannel-dev qt6-speech-dev libqt6texttospeech6 libgl-dev libglx-dev libopengl-dev
  qt6-qpa-plugins libqt6svg6
  # Markdown, YAML, database, Unicode
  libcmark-gfm-dev libcmark-gfm-extensions-dev libmarkdown2-dev libyaml-dev
  libsqlite3-dev libicu-dev
  # preview assets
  node-prismjs libjs-mathjax
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # the Quick Open benchmark compares with it; no test runs it
  fzf
  # spelling, speech export, X11 desktop layer
  libhunspell-dev hunspell-en-us libespeak-ng-dev libsndfile1-dev
  libxcb1-dev libxcb-xtest0-dev libxcb-keysyms1-dev libxcb-xinput-dev
  # for the tests only: another Markdown editor, registered for text/markdown in the system's
  # desktop database, so that every run shows the tests are cut off from the machine's programs
  retext
  # runtime tools
  espeak-ng xvfb xauth dbus dbus-x11 fonts-dejavu-core xdotool imagemagick
  poppler-utils desktop-file-utils appstream xdg-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "install-deps: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if ! "${SUDO[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; then
  echo "install-deps: first attempt failed; refreshing the package lists" >&2
  "${SUDO[@]}" apt-get update || { echo "install-deps: apt-get update failed" >&2; exit 1; }
  "${SUDO[@]}" apt-get install -y --no-install-recommends "${missing[@]}" || {
    echo "install-deps: could not install: ${missing[*]}" >&2
    exit 1
  }
fi
