// zGL3Shader: one GLSL program of the "gl2" renderer, compiled from a
// vertex and a fragment text through the renderer's entry-point table (the
// ARB shader objects). The shader library makes these through the renderer's
// NewShader; material programs are made the same way and keep the locations
// the draw passes read.
//
// A program that fails to compile or link logs the compiler's words and
// "[!] Cannot load shader '<name>'." and keeps its name, so a library still
// finds it; its handles stay until Free. Handles belong to the context that
// was current at Compile: the renderer frees its programs before it drops
// that context.
#pragma once

#include "platform/gl_types.h"
#include "render/gl/gl_functions.h"
#include "render/shader/shader_library.h"

class zGL3Shader : public zShader {
  public:
    // The cached locations, in the order they are looked up.
    enum Location : u32 {
        LocationTangent = 0,           // attribute "attribute_tangent"
        LocationBitangent = 1,         // attribute "attribute_bitangent"
        LocationSkinId = 2,            // attribute "skin_id"
        LocationSkinWeight = 3,        // attribute "skin_w"
        LocationAlphaThreshold = 4,    // uniform "alpha_threshold"
        LocationInverseBufferSize = 5, // uniform "inverse_buffer_size"
        LocationCount = 6,
    };

    // gl must outlive the shader (the renderer's own table).
    zGL3Shader(zRenderer* renderer, const zGLFunctions& gl) : zShader(renderer), m_gl(gl) {}
    ~zGL3Shader() override;

    // Compile.
    bool Setup(const char* name, const char* vertexSource, const char* pixelSource) override;
    // False when a text is missing, or when compiling or linking fails.
    bool Compile(const char* name, const char* vertexSource, const char* pixelSource);
    // Detaches and deletes both shaders and the program; the handles become 0.
    void Free() override;

    GLhandleARB GetProgram() const { return m_program; }
    GLhandleARB GetVertexShader() const { return m_vertexShader; }
    GLhandleARB GetPixelShader() const { return m_pixelShader; }
    // -1 until looked up (and when the program has no such input).
    GLint GetLocation(Location which) const { return m_locations[which]; }
    void SetLocation(Location which, GLint location) { m_locations[which] = location; }

  private:
    // Creates, compiles and attaches one shader; false when it does not compile.
    bool AddShader(GLenum kind, const char* source, GLhandleARB& handle);
    // Logs the info log of an object when it is not empty.
    void LogInfo(GLhandleARB object);

    const zGLFunctions& m_gl;
    GLhandleARB m_program = 0;
    GLhandleARB m_vertexShader = 0;
    GLhandleARB m_pixelShader = 0;
    GLint m_locations[LocationCount] = {-1, -1, -1, -1, -1, -1};
};
