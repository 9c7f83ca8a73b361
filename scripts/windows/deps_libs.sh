# The build of each library for scripts/windows/deps.sh, one function each.
# Each fetches its source package, builds and installs it into $prefix and
# writes "NAME VERSION" of the packages it used to $work/build/LIB.version.

version() { echo "$*" >"$work/build/$lib.version"; }

# static_header FILE MACRO: the prefix holds static libraries only, so a
# header that would declare dllimport without MACRO defines it itself.
static_header() {
    grep -q "static build of this prefix" "$1" && return 0
    local guard
    guard=$(grep -m1 -o '^#ifndef  *[A-Za-z_0-9]*' "$1" | awk '{print $2}')
    sed -i "0,/^#define  *$guard\b.*/s//&\n\/* The static build of this prefix. *\/\n#ifndef $2\n#define $2\n#endif/" "$1"
    grep -q "static build of this prefix" "$1"
}

# static_pc FILE: static libraries only here, so what a static link needs is
# what every link needs; pkg-config without --static (CMake's
# pkg_check_modules) then gives a complete line.
static_pc() {
    local priv
    priv=$(sed -n 's/^Libs.private: *//p' "$1")
    [ -n "$priv" ] || return 0
    sed -i -e '/^Libs.private:/d' -e "s|^Libs:.*|& $priv|" "$1"
    sed -i 's/^Requires.private:/Requires:/' "$1"
}

meson_build() { # NAME SRCDIR MESON-ARGS...
    local name=$1 src=$2 cross=$work/build/mingw64.meson
    shift 2
    local b=$work/build/$name
    cat >"$cross" <<CROSS
[binaries]
c = '$triple-gcc-posix'
cpp = '$triple-g++-posix'
ar = '$triple-gcc-ar-posix'
strip = '$triple-strip'
windres = '$triple-windres'
pkg-config = 'pkg-config'
[properties]
pkg_config_libdir = '$prefix/lib/pkgconfig'
[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
CROSS
    rm -rf "$b"
    { meson setup "$b" "$src" --cross-file "$cross" --prefix "$prefix" --libdir lib \
          --buildtype release --default-library static "$@" &&
          ninja -C "$b" -j2 && ninja -C "$b" install; } >"$b.log" 2>&1 ||
        { tail -30 "$b.log" >&2; return 1; }
}

build_freeglut() {
    fetch freeglut
    cmake_build freeglut "$srcdir" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
        -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_GLES=OFF \
        -DINSTALL_PDB=OFF
    # The names CMake's FindGLUT and freeglut's own .pc look for.
    cp "$srcdir/include/GL/glut.h" "$prefix/include/GL/"
    static_header "$prefix/include/GL/freeglut_std.h" FREEGLUT_STATIC
    # libfreeglut.a is a linker script naming the archive and the system
    # libraries it calls, since FindGLUT's target links the library alone.
    echo "GROUP ( $prefix/lib/libfreeglut_static.a -lglu32 -lopengl32 -lwinmm -lgdi32 )" \
        >"$prefix/lib/libfreeglut.a"
    sed 's/^Libs.private:/& -lglu32/' "$prefix/lib/pkgconfig/freeglut.pc" >"$prefix/lib/pkgconfig/glut.pc"
    static_pc "$prefix/lib/pkgconfig/glut.pc"
    cp "$prefix/lib/pkgconfig/glut.pc" "$prefix/lib/pkgconfig/freeglut.pc"
    version "freeglut $srcver"
}

# zlib is Debian's own MinGW build; copied so the prefix holds only static
# libraries and no libz.dll.a that a find_library would prefer.
build_zlib() {
    local m=/usr/$triple
    cp "$m/include/zlib.h" "$m/include/zconf.h" "$prefix/include/"
    cp "$m/lib/libz.a" "$prefix/lib/"
    cat >"$prefix/lib/pkgconfig/zlib.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: zlib
Description: zlib compression library
Version: $(sed -n 's/^Version: *//p' "$m/lib/pkgconfig/zlib.pc")
Libs: -L\${libdir} -lz
Cflags: -I\${includedir}
PC
    version "libz-mingw-w64-dev $(dpkg-query -W -f='${Version}' libz-mingw-w64-dev)"
}

# Debian builds libspng with Meson, without the architecture-specific paths.
build_libspng() {
    fetch libspng
    meson_build libspng "$srcdir" -Denable_opt=false -Dbuild_examples=false \
        -Dstatic_zlib=true
    static_header "$prefix/include/spng.h" SPNG_STATIC
    version "libspng $srcver"
}

build_meshoptimizer() {
    fetch meshoptimizer
    cmake_build meshoptimizer "$srcdir" -DMESHOPT_BUILD_SHARED_LIBS=OFF
    version "meshoptimizer $srcver"
}

build_libzip() {
    fetch libzip
    # Deflate only, as the packages this project reads use; Windows' own
    # bcrypt does the encryption libzip offers.
    cmake_build libzip "$srcdir" -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF \
        -DENABLE_OPENSSL=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_COMMONCRYPTO=OFF \
        -DENABLE_WINDOWS_CRYPTO=ON -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF \
        -DBUILD_DOC=OFF -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
    static_pc "$prefix/lib/pkgconfig/libzip.pc"
    version "libzip $srcver"
}

build_libjpeg_turbo() {
    fetch libjpeg-turbo
    # Its install folders are taken relative to the build's folder: absolute.
    cmake_build libjpeg-turbo "$srcdir" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
        -DWITH_TURBOJPEG=ON -DWITH_JAVA=OFF -DREQUIRE_SIMD=ON -DCMAKE_ASM_NASM_COMPILER=nasm \
        -DCMAKE_INSTALL_LIBDIR="$prefix/lib"
    # Its command-line tools and their manuals are of no use to a link.
    rm -f "$prefix"/bin/{cjpeg,djpeg,jpegtran,rdjpgcom,wrjpgcom,tjbench}.exe
    rm -rf "$prefix"/share/man/man1/{cjpeg,djpeg,jpegtran,rdjpgcom,wrjpgcom}.1
    rmdir "$prefix/bin" 2>/dev/null || true
    version "libjpeg-turbo $srcver"
}

# On Windows epoxy resolves through WGL; no EGL or X11 there.
build_libepoxy() {
    fetch libepoxy
    meson_build libepoxy "$srcdir" -Degl=no -Dglx=no -Dx11=false -Dtests=false -Ddocs=false
    static_header "$prefix/include/epoxy/common.h" EPOXY_STATIC
    version "libepoxy $srcver"
}

# tinygltf's own dependencies, from their source packages: nlohmann's JSON
# (headers and CMake package) and the stb image reader and writer, compiled
# once into a static library as Debian's libstb does.
build_nlohmann_json3() {
    fetch nlohmann-json3
    cmake_build nlohmann-json3 "$srcdir" -DJSON_BuildTests=OFF -DJSON_Install=ON \
        -DJSON_MultipleHeaders=OFF
    version "nlohmann-json3 $srcver"
}

build_libstb() {
    fetch libstb
    local b=$work/build/libstb h
    rm -rf "$b" && mkdir -p "$b" "$prefix/include/stb"
    for h in stb_image stb_image_write; do
        printf '#define %s_IMPLEMENTATION\n#include "%s.h"\n' \
            "$(echo "$h" | tr a-z A-Z)" "$h" >"$b/$h.c"
        $triple-gcc-posix -O2 -I"$srcdir" -c "$b/$h.c" -o "$b/$h.o" >>"$b.log" 2>&1
        cp "$srcdir/$h.h" "$prefix/include/stb/"
    done
    rm -f "$prefix/lib/libstb.a"
    $triple-gcc-ar-posix rcs "$prefix/lib/libstb.a" "$b"/*.o
    version "libstb $srcver"
}

build_tinygltf() {
    fetch tinygltf
    cmake_build tinygltf "$srcdir" -DBUILD_TESTING=OFF -DTINYGLTF_BUILD_LOADER_EXAMPLE=OFF \
        -Dstb_INCLUDE_DIRS="$prefix/include/stb" -Dstb_LIBRARY="$prefix/lib/libstb.a"
    # The static library's link interface names nlohmann's target; its
    # package must be loaded with it.
    local c=$prefix/lib/cmake/TinyGLTF/TinyGLTFConfig.cmake
    grep -q find_dependency "$c" ||
        sed -i 's|^include(${CMAKE_CURRENT_LIST_DIR}/TinyGLTFTargets.cmake)|include(CMakeFindDependencyMacro)\nfind_dependency(nlohmann_json 3)\n&|' "$c"
    grep -q find_dependency "$c"
    version "tinygltf $srcver"
}
