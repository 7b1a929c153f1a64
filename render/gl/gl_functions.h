// The GL entry points of a renderer, in one table fetched by name once a
// context is current. Nothing here links GL: every call, OpenGL 1.1 ones
// included, goes through the table, so a test can replace any entry to
// record calls or answer for the driver.
//
// The lookup answers null for a name the context does not offer (the
// platform's gate), which is what makes the required/optional rules below
// mean something: a required name missing ends the open, an optional one
// leaves a null pointer that every use checks first.
#pragma once

#include <functional>

#include "core/types.h"
#include "platform/gl_types.h"

// X(return type, name, parameter list). One list drives the members and the
// names they are fetched by.
#define ZE_GL_CORE_FUNCTIONS(X)                                                                              \
    X(void, glAlphaFunc, (GLenum, GLclampf))                                                                 \
    X(void, glBegin, (GLenum))                                                                               \
    X(void, glBindTexture, (GLenum, GLuint))                                                                 \
    X(void, glBlendFunc, (GLenum, GLenum))                                                                   \
    X(void, glClear, (GLbitfield))                                                                           \
    X(void, glClearColor, (GLclampf, GLclampf, GLclampf, GLclampf))                                          \
    X(void, glClearDepth, (GLdouble))                                                                        \
    X(void, glClipPlane, (GLenum, const GLdouble*))                                                          \
    X(void, glColor4f, (GLfloat, GLfloat, GLfloat, GLfloat))                                                 \
    X(void, glColor4fv, (const GLfloat*))                                                                    \
    X(void, glColorMask, (GLboolean, GLboolean, GLboolean, GLboolean))                                       \
    X(void, glColorMaterial, (GLenum, GLenum))                                                               \
    X(void, glColorPointer, (GLint, GLenum, GLsizei, const void*))                                           \
    X(void, glCopyTexSubImage2D, (GLenum, GLint, GLint, GLint, GLint, GLint, GLsizei, GLsizei))              \
    X(void, glCullFace, (GLenum))                                                                            \
    X(void, glDeleteTextures, (GLsizei, const GLuint*))                                                      \
    X(void, glDepthFunc, (GLenum))                                                                           \
    X(void, glDepthMask, (GLboolean))                                                                        \
    X(void, glDisable, (GLenum))                                                                             \
    X(void, glDisableClientState, (GLenum))                                                                  \
    X(void, glDrawArrays, (GLenum, GLint, GLsizei))                                                          \
    X(void, glDrawBuffer, (GLenum))                                                                          \
    X(void, glDrawElements, (GLenum, GLsizei, GLenum, const void*))                                          \
    X(void, glEnable, (GLenum))                                                                              \
    X(void, glEnableClientState, (GLenum))                                                                   \
    X(void, glEnd, ())                                                                                       \
    X(void, glFinish, ())                                                                                    \
    X(void, glFlush, ())                                                                                     \
    X(void, glFogf, (GLenum, GLfloat))                                                                       \
    X(void, glFogfv, (GLenum, const GLfloat*))                                                               \
    X(void, glFogi, (GLenum, GLint))                                                                         \
    X(void, glFrontFace, (GLenum))                                                                           \
    X(void, glGenTextures, (GLsizei, GLuint*))                                                               \
    X(GLenum, glGetError, ())                                                                                \
    X(void, glGetFloatv, (GLenum, GLfloat*))                                                                 \
    X(void, glGetIntegerv, (GLenum, GLint*))                                                                 \
    X(const GLubyte*, glGetString, (GLenum))                                                                 \
    X(void, glGetTexLevelParameteriv, (GLenum, GLint, GLenum, GLint*))                                       \
    X(void, glHint, (GLenum, GLenum))                                                                        \
    X(void, glLightModelfv, (GLenum, const GLfloat*))                                                        \
    X(void, glLightModeli, (GLenum, GLint))                                                                  \
    X(void, glLightf, (GLenum, GLenum, GLfloat))                                                             \
    X(void, glLightfv, (GLenum, GLenum, const GLfloat*))                                                     \
    X(void, glLineWidth, (GLfloat))                                                                          \
    X(void, glLoadIdentity, ())                                                                              \
    X(void, glLoadMatrixf, (const GLfloat*))                                                                 \
    X(void, glMaterialf, (GLenum, GLenum, GLfloat))                                                          \
    X(void, glMaterialfv, (GLenum, GLenum, const GLfloat*))                                                  \
    X(void, glMatrixMode, (GLenum))                                                                          \
    X(void, glNormal3f, (GLfloat, GLfloat, GLfloat))                                                         \
    X(void, glNormalPointer, (GLenum, GLsizei, const void*))                                                 \
    X(void, glOrtho, (GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble))                           \
    X(void, glPixelStorei, (GLenum, GLint))                                                                  \
    X(void, glPolygonMode, (GLenum, GLenum))                                                                 \
    X(void, glPolygonOffset, (GLfloat, GLfloat))                                                             \
    X(void, glPopAttrib, ())                                                                                 \
    X(void, glPopMatrix, ())                                                                                 \
    X(void, glPushAttrib, (GLbitfield))                                                                      \
    X(void, glPushMatrix, ())                                                                                \
    X(void, glReadBuffer, (GLenum))                                                                          \
    X(void, glReadPixels, (GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*))                           \
    X(void, glScissor, (GLint, GLint, GLsizei, GLsizei))                                                     \
    X(void, glShadeModel, (GLenum))                                                                          \
    X(void, glTexCoord2f, (GLfloat, GLfloat))                                                                \
    X(void, glTexCoordPointer, (GLint, GLenum, GLsizei, const void*))                                        \
    X(void, glTexEnvf, (GLenum, GLenum, GLfloat))                                                            \
    X(void, glTexEnvfv, (GLenum, GLenum, const GLfloat*))                                                    \
    X(void, glTexEnvi, (GLenum, GLenum, GLint))                                                              \
    X(void, glTexGenfv, (GLenum, GLenum, const GLfloat*))                                                    \
    X(void, glTexGeni, (GLenum, GLenum, GLint))                                                              \
    X(void, glTexImage2D, (GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*))      \
    X(void, glTexParameterf, (GLenum, GLenum, GLfloat))                                                      \
    X(void, glTexParameteri, (GLenum, GLenum, GLint))                                                        \
    X(void, glTexSubImage2D, (GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*))   \
    X(void, glVertex2f, (GLfloat, GLfloat))                                                                  \
    X(void, glVertex3f, (GLfloat, GLfloat, GLfloat))                                                         \
    X(void, glVertexPointer, (GLint, GLenum, GLsizei, const void*))                                          \
    X(void, glViewport, (GLint, GLint, GLsizei, GLsizei))

// The buffer-object and frame-buffer-object names both renderers fetch.
#define ZE_GL_BUFFER_FUNCTIONS(X)                                                                            \
    X(void, glGenBuffersARB, (GLsizei, GLuint*))                                                             \
    X(void, glBindBufferARB, (GLenum, GLuint))                                                               \
    X(void, glBufferDataARB, (GLenum, GLsizeiptr, const void*, GLenum))                                      \
    X(void, glDeleteBuffersARB, (GLsizei, const GLuint*))                                                    \
    X(void*, glMapBufferARB, (GLenum, GLenum))                                                               \
    X(GLboolean, glUnmapBufferARB, (GLenum))

#define ZE_GL_FRAMEBUFFER_FUNCTIONS(X)                                                                       \
    X(void, glGenFramebuffersEXT, (GLsizei, GLuint*))                                                        \
    X(void, glBindFramebufferEXT, (GLenum, GLuint))                                                          \
    X(void, glDeleteFramebuffersEXT, (GLsizei, const GLuint*))                                               \
    X(void, glFramebufferTexture2DEXT, (GLenum, GLenum, GLenum, GLuint, GLint))                              \
    X(void, glFramebufferRenderbufferEXT, (GLenum, GLenum, GLenum, GLuint))                                  \
    X(GLenum, glCheckFramebufferStatusEXT, (GLenum))

// The names the renderer fetches after 1.1, in no particular order (the
// fetch order and rules are in FetchGLExtensions).
#define ZE_GL_EXTENSION_FUNCTIONS(X)                                                                         \
    X(void, glGenerateMipmapEXT, (GLenum))                                                                   \
    X(void, glMultiTexCoord2f, (GLenum, GLfloat, GLfloat))                                                   \
    ZE_GL_BUFFER_FUNCTIONS(X)                                                                                \
    ZE_GL_FRAMEBUFFER_FUNCTIONS(X)                                                                           \
    X(void, glActiveTextureARB, (GLenum))                                                                    \
    X(void, glClientActiveTextureARB, (GLenum))                                                              \
    X(void, glGenQueriesARB, (GLsizei, GLuint*))                                                             \
    X(void, glDeleteQueriesARB, (GLsizei, const GLuint*))                                                    \
    X(void, glBeginQueryARB, (GLenum, GLuint))                                                               \
    X(void, glEndQueryARB, (GLenum))                                                                         \
    X(void, glGetQueryObjectivARB, (GLuint, GLenum, GLint*))                                                 \
    X(void, glGetQueryObjectuivARB, (GLuint, GLenum, GLuint*))                                               \
    X(GLhandleARB, glCreateProgramObjectARB, ())                                                             \
    X(void, glClampColorARB, (GLenum, GLenum))                                                               \
    X(void, glEnableVertexAttribArray, (GLuint))                                                             \
    X(void, glVertexAttribPointer, (GLuint, GLint, GLenum, GLboolean, GLsizei, const void*))                 \
    X(void, glDisableVertexAttribArray, (GLuint))                                                            \
    X(GLint, glGetAttribLocation, (GLuint, const GLchar*))                                                   \
    X(GLhandleARB, glCreateShaderObjectARB, (GLenum))                                                        \
    X(void, glShaderSourceARB, (GLhandleARB, GLsizei, const GLcharARB**, const GLint*))                      \
    X(void, glCompileShaderARB, (GLhandleARB))                                                               \
    X(void, glAttachObjectARB, (GLhandleARB, GLhandleARB))                                                   \
    X(void, glDetachObjectARB, (GLhandleARB, GLhandleARB))                                                   \
    X(void, glDeleteObjectARB, (GLhandleARB))                                                                \
    X(void, glLinkProgramARB, (GLhandleARB))                                                                 \
    X(void, glUseProgramObjectARB, (GLhandleARB))                                                            \
    X(void, glGetInfoLogARB, (GLhandleARB, GLsizei, GLsizei*, GLcharARB*))                                   \
    X(void, glGetObjectParameterivARB, (GLhandleARB, GLenum, GLint*))                                        \
    X(void, glUniform1iARB, (GLint, GLint))                                                                  \
    X(GLint, glGetUniformLocationARB, (GLhandleARB, const GLcharARB*))                                       \
    X(void, glUniform1fARB, (GLint, GLfloat))                                                                \
    X(void, glUniform2fARB, (GLint, GLfloat, GLfloat))                                                       \
    X(void, glUniform3fARB, (GLint, GLfloat, GLfloat, GLfloat))                                              \
    X(void, glUniform4fARB, (GLint, GLfloat, GLfloat, GLfloat, GLfloat))                                     \
    X(void, glUniformMatrix3fv, (GLint, GLsizei, GLboolean, const GLfloat*))                                 \
    X(void, glUniformMatrix4fv, (GLint, GLsizei, GLboolean, const GLfloat*))                                 \
    X(void, glDrawBuffers, (GLsizei, const GLenum*))

// The "egl2" renderer's names, all required, in their fetch order.
#define ZE_EGL_FUNCTIONS(X)                                                                                  \
    X(void, glActiveTextureARB, (GLenum))                                                                    \
    X(void, glGenerateMipmapEXT, (GLenum))                                                                   \
    ZE_GL_BUFFER_FUNCTIONS(X)                                                                                \
    X(void, glGenRenderbuffersEXT, (GLsizei, GLuint*))                                                       \
    X(void, glBindRenderbufferEXT, (GLenum, GLuint))                                                         \
    X(void, glRenderbufferStorageEXT, (GLenum, GLenum, GLsizei, GLsizei))                                    \
    X(void, glDeleteRenderbuffersEXT, (GLsizei, const GLuint*))                                              \
    X(GLuint, glCreateShader, (GLenum))                                                                      \
    X(void, glShaderSource, (GLuint, GLsizei, const GLchar* const*, const GLint*))                           \
    X(void, glCompileShader, (GLuint))                                                                       \
    X(void, glGetShaderInfoLog, (GLuint, GLsizei, GLsizei*, GLchar*))                                        \
    X(void, glGetShaderiv, (GLuint, GLenum, GLint*))                                                         \
    X(void, glAttachShader, (GLuint, GLuint))                                                                \
    X(void, glDetachShader, (GLuint, GLuint))                                                                \
    X(void, glDeleteShader, (GLuint))                                                                        \
    X(GLuint, glCreateProgram, ())                                                                           \
    X(void, glLinkProgram, (GLuint))                                                                         \
    X(void, glGetProgramInfoLog, (GLuint, GLsizei, GLsizei*, GLchar*))                                       \
    X(void, glGetProgramiv, (GLuint, GLenum, GLint*))                                                        \
    X(void, glUseProgram, (GLuint))                                                                          \
    X(void, glDeleteProgram, (GLuint))                                                                       \
    X(GLint, glGetAttribLocation, (GLuint, const GLchar*))                                                   \
    X(void, glEnableVertexAttribArray, (GLuint))                                                             \
    X(void, glVertexAttribPointer, (GLuint, GLint, GLenum, GLboolean, GLsizei, const void*))                 \
    X(void, glDisableVertexAttribArray, (GLuint))                                                            \
    X(GLint, glGetUniformLocation, (GLuint, const GLchar*))                                                  \
    X(void, glUniform1i, (GLint, GLint))                                                                     \
    X(void, glUniform1iv, (GLint, GLsizei, const GLint*))                                                    \
    X(void, glUniform2i, (GLint, GLint, GLint))                                                              \
    X(void, glUniform2iv, (GLint, GLsizei, const GLint*))                                                    \
    X(void, glUniform1f, (GLint, GLfloat))                                                                   \
    X(void, glUniform1fv, (GLint, GLsizei, const GLfloat*))                                                  \
    X(void, glUniform2f, (GLint, GLfloat, GLfloat))                                                          \
    X(void, glUniform2fv, (GLint, GLsizei, const GLfloat*))                                                  \
    X(void, glUniform3f, (GLint, GLfloat, GLfloat, GLfloat))                                                 \
    X(void, glUniform3fv, (GLint, GLsizei, const GLfloat*))                                                  \
    X(void, glUniform4f, (GLint, GLfloat, GLfloat, GLfloat, GLfloat))                                        \
    X(void, glUniform4fv, (GLint, GLsizei, const GLfloat*))                                                  \
    X(void, glUniformMatrix3fv, (GLint, GLsizei, GLboolean, const GLfloat*))                                 \
    X(void, glUniformMatrix4fv, (GLint, GLsizei, GLboolean, const GLfloat*))                                 \
    ZE_GL_FRAMEBUFFER_FUNCTIONS(X)                                                                           \
    X(void, glDrawBuffers, (GLsizei, const GLenum*))

// Answers an entry point by name, or null when the context does not offer it.
using zGLProcLookup = std::function<void*(const char* name)>;

struct zGLFunctions {
#define ZE_GL_MEMBER(ret, name, params) ret(*name) params = nullptr;
    ZE_GL_CORE_FUNCTIONS(ZE_GL_MEMBER)
    ZE_GL_EXTENSION_FUNCTIONS(ZE_GL_MEMBER)
#undef ZE_GL_MEMBER
};

// The "egl2" renderer's table, one per process. Loaded is set only once
// every name is in, so a load after a failed one fetches again.
struct zEGLFunctions {
#define ZE_GL_MEMBER(ret, name, params) ret(*name) params = nullptr;
    ZE_GL_CORE_FUNCTIONS(ZE_GL_MEMBER)
    ZE_EGL_FUNCTIONS(ZE_GL_MEMBER)
#undef ZE_GL_MEMBER
    bool loaded = false;
};
zEGLFunctions& GetEGLFunctions();

// Fetches the "egl2" names in order, then the 1.1 ones; true at once when
// already loaded. The first missing name is logged "[!] <name> is not
// supported by this driver." and gives false.
bool LoadEGLEntryPoints(const zGLProcLookup& lookup);

// The OpenGL 1.1 entry points; each missing one is logged "[!] <name> is not
// supported by this driver." and gives false.
bool LoadGLCoreFunctions(zGLFunctions& gl, const zGLProcLookup& lookup);

// The renderer's fetch after 1.1, in the order and with the messages of the
// "gl2" open. systemWord bit 16 (fixed-function) is read and may be set when
// the driver has no GLSL. mrtCount receives GL_MAX_DRAW_BUFFERS. False when
// a required name is missing.
bool FetchGLExtensions(zGLFunctions& gl, const zGLProcLookup& lookup, u32& systemWord, u32& mrtCount);

// Logs the pending GL error, if any: "[!] GL invalid value (<where>:<line>)."
// and its siblings, "GL error <code> (" for codes without a text.
void ReportGLError(const zGLFunctions& gl, const char* where, i32 line);
// The "egl2" form: no stack overflow or underflow texts (those codes read
// "GL error <code> (").
void ReportEGLError(const zEGLFunctions& gl, const char* where, i32 line);
