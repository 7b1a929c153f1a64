#include "render/gl/gl_functions.h"

#include "core/log.h"
#include "render/renderer.h"

namespace {

enum Need : bool { Optional = false, Required = true };

// Fetches one entry point; a missing one is logged as the need says. False
// only for a missing required name.
template <typename Function>
bool Fetch(Function& slot, const char* name, const zGLProcLookup& lookup, Need need) {
    slot = reinterpret_cast<Function>(lookup(name));
    if (slot) return true;
    GetLog() << (need == Required ? "[!] " : "[*] ") << name << " is not supported by this driver.\n";
    return need == Optional;
}

#define ZE_FETCH(name, need) Fetch(gl.name, #name, lookup, need)

} // namespace

bool LoadGLCoreFunctions(zGLFunctions& gl, const zGLProcLookup& lookup) {
    bool complete = true;
#define ZE_GL_FETCH_CORE(ret, name, params) complete = ZE_FETCH(name, Required) && complete;
    ZE_GL_CORE_FUNCTIONS(ZE_GL_FETCH_CORE)
#undef ZE_GL_FETCH_CORE
    return complete;
}

bool FetchGLExtensions(zGLFunctions& gl, const zGLProcLookup& lookup, u32& systemWord, u32& mrtCount) {
    GetLog() << "[H] Fetch GL extensions...\n";
    ZE_FETCH(glGenerateMipmapEXT, Optional);
    if (!ZE_FETCH(glMultiTexCoord2f, Required) || !ZE_FETCH(glGenBuffersARB, Required) ||
        !ZE_FETCH(glBindBufferARB, Required) || !ZE_FETCH(glBufferDataARB, Required) ||
        !ZE_FETCH(glDeleteBuffersARB, Required) || !ZE_FETCH(glMapBufferARB, Required) ||
        !ZE_FETCH(glUnmapBufferARB, Required)) {
        return false;
    }
    if (ZE_FETCH(glGenFramebuffersEXT, Optional) && gl.glGenFramebuffersEXT) {
        if (!ZE_FETCH(glBindFramebufferEXT, Required) || !ZE_FETCH(glDeleteFramebuffersEXT, Required) ||
            !ZE_FETCH(glFramebufferTexture2DEXT, Required) ||
            !ZE_FETCH(glFramebufferRenderbufferEXT, Required) ||
            !ZE_FETCH(glCheckFramebufferStatusEXT, Required)) {
            return false;
        }
    }
    if (!ZE_FETCH(glActiveTextureARB, Required) || !ZE_FETCH(glClientActiveTextureARB, Required))
        return false;
    ZE_FETCH(glGenQueriesARB, Optional);
    ZE_FETCH(glDeleteQueriesARB, Optional);
    ZE_FETCH(glBeginQueryARB, Optional);
    ZE_FETCH(glEndQueryARB, Optional);
    ZE_FETCH(glGetQueryObjectivARB, Optional);
    ZE_FETCH(glGetQueryObjectuivARB, Optional);
    if ((systemWord & SystemDisableShader) == 0) {
        ZE_FETCH(glCreateProgramObjectARB, Optional);
        if (!gl.glCreateProgramObjectARB) {
            GetLog() << "[*] Driver has no support for GLSL, defaulting to fixed-function pipeline.\n";
            systemWord |= SystemDisableShader;
        }
    }
    ZE_FETCH(glClampColorARB, Optional);

    gl.glUseProgramObjectARB = nullptr;
    if (systemWord & SystemDisableShader) {
        GetLog() << "Renderer instantiated with no shader support.\n";
        return true;
    }
    GetLog() << "Renderer instantiated with shader support.\n";
    if (!ZE_FETCH(glEnableVertexAttribArray, Required) || !ZE_FETCH(glVertexAttribPointer, Required) ||
        !ZE_FETCH(glDisableVertexAttribArray, Required) || !ZE_FETCH(glGetAttribLocation, Required) ||
        !ZE_FETCH(glCreateShaderObjectARB, Required) || !ZE_FETCH(glShaderSourceARB, Required) ||
        !ZE_FETCH(glCompileShaderARB, Required) || !ZE_FETCH(glAttachObjectARB, Required) ||
        !ZE_FETCH(glDetachObjectARB, Required) || !ZE_FETCH(glDeleteObjectARB, Required) ||
        !ZE_FETCH(glLinkProgramARB, Required) || !ZE_FETCH(glUseProgramObjectARB, Required) ||
        !ZE_FETCH(glGetInfoLogARB, Required) || !ZE_FETCH(glUniform1iARB, Required) ||
        !ZE_FETCH(glGetUniformLocationARB, Required) || !ZE_FETCH(glUniform1fARB, Required) ||
        !ZE_FETCH(glUniform2fARB, Required) || !ZE_FETCH(glUniform3fARB, Required) ||
        !ZE_FETCH(glUniform4fARB, Required) || !ZE_FETCH(glUniformMatrix3fv, Required) ||
        !ZE_FETCH(glUniformMatrix4fv, Required)) {
        return false;
    }
    // Compile and link status of programs; comes with the shader objects.
    gl.glGetObjectParameterivARB =
        reinterpret_cast<decltype(gl.glGetObjectParameterivARB)>(lookup("glGetObjectParameterivARB"));
    ZE_FETCH(glDrawBuffers, Optional);
    GLint drawBuffers = 0;
    gl.glGetIntegerv(zgl::MaxDrawBuffers, &drawBuffers);
    mrtCount = drawBuffers > 0 ? u32(drawBuffers) : 0;
    GetLog() << "Card MRT supports up to " << mrtCount << " target(s).\n";
    return true;
}

zEGLFunctions& GetEGLFunctions() {
    static zEGLFunctions functions;
    return functions;
}

bool LoadEGLEntryPoints(const zGLProcLookup& lookup) {
    zEGLFunctions& gl = GetEGLFunctions();
    if (gl.loaded) return true;
#define ZE_EGL_FETCH(ret, name, params)                                                                      \
    if (!ZE_FETCH(name, Required)) return false;
    ZE_EGL_FUNCTIONS(ZE_EGL_FETCH)
    ZE_GL_CORE_FUNCTIONS(ZE_EGL_FETCH)
#undef ZE_EGL_FETCH
    gl.loaded = true;
    return true;
}

namespace {

void ReportError(GLenum code, bool knowsStackErrors, const char* where, i32 line) {
    if (code == zgl::NoError) return;
    GetLog() << "[!] ";
    const bool stackError = code == zgl::StackOverflow || code == zgl::StackUnderflow;
    switch (stackError && !knowsStackErrors ? 0 : code) {
    case zgl::InvalidEnum:
        GetLog() << "GL invalid enumeration (";
        break;
    case zgl::InvalidValue:
        GetLog() << "GL invalid value (";
        break;
    case zgl::InvalidOperation:
        GetLog() << "GL invalid operation (";
        break;
    case zgl::StackOverflow:
        GetLog() << "GL stack overflow (";
        break;
    case zgl::StackUnderflow:
        GetLog() << "GL stack underflow (";
        break;
    case zgl::OutOfMemory:
        GetLog() << "GL out of memory (";
        break;
    default:
        GetLog() << "GL error " << u32(code) << " (";
        break;
    }
    GetLog() << (where ? where : "") << ":" << line << ").\n";
}

} // namespace

void ReportGLError(const zGLFunctions& gl, const char* where, i32 line) {
    ReportError(gl.glGetError(), true, where, line);
}

void ReportEGLError(const zEGLFunctions& gl, const char* where, i32 line) {
    ReportError(gl.glGetError(), false, where, line);
}
