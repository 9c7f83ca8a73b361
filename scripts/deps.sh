#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
#   scripts/deps.sh run    what building and running ambletoe needs
#   scripts/deps.sh test   that, plus clang, clang-format, the test libraries and Xvfb tools
#   scripts/deps.sh bench  test's, plus the other loaders bench/run.sh compares with
#   scripts/deps.sh windows  the cross build's: MinGW-w64, the tools that build its
#                          libraries from Debian's sources, Wine, zip and Xvfb
set -euo pipefail

if [ "${1:-run}" = windows ]; then
    packages=(g++-mingw-w64-x86-64 mingw-w64-tools libz-mingw-w64-dev cmake ninja-build meson
              pkg-config nasm dpkg-dev xz-utils wine wine64 zip xvfb xauth xdotool)
else
    packages=(cmake make g++ pkg-config libglut-dev libglu1-mesa-dev libgl-dev libegl-dev
              libgl1-mesa-dri libegl-mesa0 libx11-dev
              # PNG and JPEG textures, .mqoz packages
              libspng-dev libturbojpeg0-dev libzip-dev
              # glTF export: its container and JSON, vertex merging
              libtinygltf-dev libmeshoptimizer-dev
              # the shaded draw path's GL loader
              libepoxy-dev
              # a run without a display plays under a virtual X server and saves pictures
              xvfb xauth xdotool x11-utils imagemagick)
fi
if [ "${1:-run}" = test ] || [ "${1:-run}" = bench ]; then
    packages+=(clang clang-format libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
               dpkg-dev file zip lintian
               # a GL loader of a program's own beside the library's header
               # the shaded path's GLSL compiled by the reference compiler
               glslang-tools
               # the glb checks: the Khronos validator and three.js in headless Chromium
               nodejs chromium)
    # npm comes with some builds of nodejs; Debian's own is a package of its own.
    command -v npm >/dev/null || packages+=(npm)
fi

if [ "${1:-run}" = bench ]; then
    # bench_peers: the same grid through two other loaders, and the glTF
    # converter that makes its binary glTF
    packages+=(libtinyobjloader-dev libassimp-dev assimp-utils)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq
"${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
