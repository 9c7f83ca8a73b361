# The build of each library for scripts/windows/deps.sh, one function each.
# Each fetches its source package, builds and installs it into $prefix and
# writes "NAME VERSION" of the packages it used to $work/build/LIB.version.

version() { echo "$*" >"$work/build/$lib.version"; }

build_freeglut() {
    fetch freeglut
    cmake_build freeglut "$srcdir" -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
        -DFREEGLUT_BUILD_STATIC_LIBS=ON -DFREEGLUT_BUILD_DEMOS=OFF -DFREEGLUT_GLES=OFF \
        -DINSTALL_PDB=OFF
    # The prefix holds the static library only, so its header declares the
    # calls for static linking whoever includes it (else they are dllimport),
    # and it has the names CMake's FindGLUT and freeglut's own .pc look for.
    local h=$prefix/include/GL/freeglut_std.h
    grep -q 'static build of this prefix' "$h" ||
        sed -i '0,/^#define  *__FREEGLUT_STD_H__/s//&\n\/* The static build of this prefix. *\/\n#ifndef FREEGLUT_STATIC\n#define FREEGLUT_STATIC\n#endif/' "$h"
    grep -q 'static build of this prefix' "$h"
    cp "$prefix/lib/libfreeglut_static.a" "$prefix/lib/libfreeglut.a"
    sed 's/^Libs.private:/& -lglu32/' "$prefix/lib/pkgconfig/freeglut.pc" >"$prefix/lib/pkgconfig/glut.pc"
    cp "$prefix/lib/pkgconfig/glut.pc" "$prefix/lib/pkgconfig/freeglut.pc"
    version "freeglut $srcver"
}
