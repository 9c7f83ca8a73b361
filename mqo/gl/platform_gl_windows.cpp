// GL entry-point lookup for Windows: wglGetProcAddress, which knows the
// calls beyond OpenGL 1.1 for the current context; the 1.1 calls it does not
// give are opengl32's own exports.
#include <windows.h>

#include "mqo/MqoModelGL.h"
#include "mqo/gl/gl_internal.h"

namespace mqo::detail {

void* mqoLookupGLFunction(const char* name) {
    if (name == nullptr) return nullptr;
    PROC found = wglGetProcAddress(name);
    // Some drivers give small numbers instead of null for names they lack.
    const auto value = reinterpret_cast<intptr_t>(found);
    if (value >= -1 && value <= 3) found = nullptr;
    if (found == nullptr) {
        if (HMODULE gl = GetModuleHandleW(L"opengl32.dll")) found = GetProcAddress(gl, name);
    }
    return reinterpret_cast<void*>(found);
}

}  // namespace mqo::detail
