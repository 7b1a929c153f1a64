#include "render/gl/gl_shader.h"

#include "core/log.h"

zGL3Shader::~zGL3Shader() {
    Free();
}

bool zGL3Shader::Setup(const char* name, const char* vertexSource, const char* pixelSource) {
    return Compile(name, vertexSource, pixelSource);
}

void zGL3Shader::LogInfo(GLhandleARB object) {
    char text[512] = {};
    GLsizei length = 0;
    m_gl.glGetInfoLogARB(object, GLsizei(sizeof text) - 1, &length, text);
    if (length <= 0 || text[0] == '\0') return;
    GetLog() << text;
    if (text[length - 1] != '\n') GetLog() << "\n";
}

bool zGL3Shader::AddShader(GLenum kind, const char* source, GLhandleARB& handle) {
    handle = m_gl.glCreateShaderObjectARB(kind);
    if (!handle) return false;
    m_gl.glShaderSourceARB(handle, 1, &source, nullptr);
    m_gl.glCompileShaderARB(handle);
    LogInfo(handle);
    m_gl.glAttachObjectARB(m_program, handle);
    GLint compiled = 1;
    if (m_gl.glGetObjectParameterivARB)
        m_gl.glGetObjectParameterivARB(handle, zgl::ObjectCompileStatus, &compiled);
    return compiled != 0;
}

bool zGL3Shader::Compile(const char* name, const char* vertexSource, const char* pixelSource) {
    if (!name || !vertexSource || !pixelSource) return false;
    Free();
    SetName(name);
    bool ok = false;
    m_program = m_gl.glCreateProgramObjectARB();
    if (m_program) {
        const bool vertexOk = AddShader(zgl::VertexShader, vertexSource, m_vertexShader);
        const bool pixelOk = AddShader(zgl::FragmentShader, pixelSource, m_pixelShader);
        if (vertexOk && pixelOk) {
            m_gl.glLinkProgramARB(m_program);
            LogInfo(m_program);
            GLint linked = 1;
            if (m_gl.glGetObjectParameterivARB) {
                m_gl.glGetObjectParameterivARB(m_program, zgl::ObjectLinkStatus, &linked);
            }
            ok = linked != 0;
        }
    }
    if (!ok) GetLog() << "[!] Cannot load shader '" << name << "'.\n";
    return ok;
}

void zGL3Shader::Free() {
    if (m_program && m_vertexShader) m_gl.glDetachObjectARB(m_program, m_vertexShader);
    if (m_program && m_pixelShader) m_gl.glDetachObjectARB(m_program, m_pixelShader);
    if (m_vertexShader) m_gl.glDeleteObjectARB(m_vertexShader);
    if (m_pixelShader) m_gl.glDeleteObjectARB(m_pixelShader);
    if (m_program) m_gl.glDeleteObjectARB(m_program);
    m_program = m_vertexShader = m_pixelShader = 0;
    for (GLint& location : m_locations)
        location = -1;
}
