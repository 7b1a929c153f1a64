// The GL scalar types and the enumerant values the renderers use, declared
// here so that no folder above this one includes a system GL header. Entry
// points are not declared: renderers fetch each one by name from the context
// (zPlatformGLContext::GetProc) into a table of their own.
//
// The values are those the OpenGL and extension specifications assign; an
// ARB or EXT enumerant equal to its core counterpart is not repeated.
#pragma once

#include <cstddef>
#include <cstdint>

using GLenum = unsigned int;
using GLboolean = unsigned char;
using GLbitfield = unsigned int;
using GLint = int;
using GLuint = unsigned int;
using GLsizei = int;
using GLfloat = float;
using GLclampf = float;
using GLdouble = double;
using GLubyte = unsigned char;
using GLchar = char;
using GLcharARB = char;
using GLhandleARB = unsigned int;
using GLsizeiptr = std::ptrdiff_t;
using GLintptr = std::ptrdiff_t;

namespace zgl {
enum : GLenum {
    NoError = 0,
    InvalidEnum = 0x0500,
    InvalidValue = 0x0501,
    InvalidOperation = 0x0502,
    StackOverflow = 0x0503,
    StackUnderflow = 0x0504,
    OutOfMemory = 0x0505,

    Vendor = 0x1F00,
    Renderer = 0x1F01,
    Version = 0x1F02,
    Extensions = 0x1F03,

    MaxDrawBuffers = 0x8824,
    Multisample = 0x809D,
    Samples = 0x80A9,

    FragmentShader = 0x8B30,
    VertexShader = 0x8B31,
    ObjectCompileStatus = 0x8B81,
    ObjectLinkStatus = 0x8B82,
    ObjectInfoLogLength = 0x8B84,
};
} // namespace zgl
