#include "core/log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/zstring.h"

namespace {

// Created on first use and never destroyed, so logging during static
// destruction stays safe; still reachable through this pointer.
zLog& StaticLog() {
    static zLog* log = new zLog;
    return *log;
}

std::atomic<zLog*> g_currentLog{nullptr};

}  // namespace

zLog::zLog() : m_current(m_bufferA), m_other(m_bufferB), m_levelMask(0xFF) {
    m_bufferA[0] = '\0';
    m_bufferB[0] = '\0';
}

zLog::~zLog() = default;

u8 zLog::GetLevelBit(const char* text) {
    if (!text || text[0] == '\0' || text[1] == '\0' || text[2] == '\0') return 0x01;
    if (text[0] != '[' || text[2] != ']') return 0x01;
    switch (text[1]) {
        case '!': return 0x08;
        case '*': return 0x04;
        case 'H': return 0x02;
        case 'S': return 0x10;
        default: return 0;
    }
}

void zLog::OutputLine(const char* text) {
    if (!text) return;
    u8 bit = GetLevelBit(text);
    if (bit != 0 && (m_levelMask & bit) == 0) return;
    std::fwrite(text, 1, std::strlen(text), stdout);
    std::fflush(stdout);
}

void zLog::AppendPiece(const char* piece, bool canEndLine) {
    if (!piece) return;
    zScopedLock lock(m_mutex);
    if (!m_current) return;
    int wanted = std::snprintf(m_other, BufferSize, "%s%s", m_current, piece);
    bool endsLine = canEndLine && std::strchr(piece, '\n') != nullptr;
    // A cut line keeps its line feed, so the next line starts on its own.
    if (endsLine && wanted >= BufferSize) {
        m_other[BufferSize - 2] = '\n';
        m_other[BufferSize - 1] = '\0';
    }
    char* swap = m_current;
    m_current = m_other;
    m_other = swap;
    if (endsLine) {
        OutputLine(m_current);
        m_current[0] = '\0';
        m_other[0] = '\0';
    }
}

zLog& zLog::AppendNumber(const char* format, ...) {
    char number[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(number, sizeof(number), format, args);
    va_end(args);
    AppendPiece(number, false);
    return *this;
}

zLog& zLog::WriteString(const char* text) {
    AppendPiece(text, true);
    return *this;
}

zLog& zLog::WriteInt(int value) { return AppendNumber("%d", value); }

zLog& zLog::operator<<(const char* text) { return WriteString(text); }
zLog& zLog::operator<<(const zString& text) { return WriteString(text.CStr()); }
zLog& zLog::operator<<(i8 value) { return AppendNumber("%d", static_cast<int>(value)); }
zLog& zLog::operator<<(u8 value) { return AppendNumber("%d", static_cast<int>(value)); }
zLog& zLog::operator<<(i16 value) { return AppendNumber("%d", static_cast<int>(value)); }
zLog& zLog::operator<<(u16 value) { return AppendNumber("%d", static_cast<int>(value)); }
zLog& zLog::operator<<(i32 value) { return AppendNumber("%d", static_cast<int>(value)); }
zLog& zLog::operator<<(u32 value) { return AppendNumber("%u", static_cast<unsigned>(value)); }
zLog& zLog::operator<<(i64 value) { return AppendNumber("%lld", static_cast<long long>(value)); }
zLog& zLog::operator<<(u64 value) { return AppendNumber("%llu", static_cast<unsigned long long>(value)); }
zLog& zLog::operator<<(long long value) { return AppendNumber("%lld", value); }
zLog& zLog::operator<<(unsigned long long value) { return AppendNumber("%llu", value); }
zLog& zLog::operator<<(float value) { return AppendNumber("%.3f", static_cast<double>(value)); }
zLog& zLog::operator<<(double value) { return AppendNumber("%.3f", value); }
zLog& zLog::operator<<(bool value) {
    AppendPiece(value ? "True" : "False", false);
    return *this;
}

void zLog::SetLevelMask(u8 mask) {
    zScopedLock lock(m_mutex);
    m_levelMask = mask;
}

u8 zLog::GetLevelMask() const {
    zScopedLock lock(m_mutex);
    return m_levelMask;
}

void zLog::Clear() {
    zScopedLock lock(m_mutex);
    m_bufferA[0] = '\0';
    m_bufferB[0] = '\0';
}

zLog& GetLog() {
    zLog* current = g_currentLog.load(std::memory_order_acquire);
    return current ? *current : StaticLog();
}

void SetLog(zLog* log) { g_currentLog.store(log, std::memory_order_release); }

