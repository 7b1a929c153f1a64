// The log stream. Callers append pieces (texts, numbers, booleans); the text
// collects in a line buffer and is handed to OutputLine when a text piece
// containing a line feed arrives. Each emitted line is filtered by a level
// mask chosen from its first three characters:
//   "[!]" error 0x08, "[*]" warning 0x04, "[H]" header 0x02, "[S]" script 0x10,
//   any other "[x]" always shown, anything else standard output 0x01.
// Appending is serialised by the log's recursive mutex, held across OutputLine.
#pragma once

#include "core/mutex.h"
#include "core/types.h"

class zString;

class zLog {
public:
    // A line holds at most BufferSize - 1 characters; a longer one is cut,
    // keeping its final line feed.
    static constexpr int BufferSize = 4096;

    zLog();
    virtual ~zLog();

    // Writes the text to the console when its class passes the mask.
    virtual void OutputLine(const char* text);

    zLog& WriteString(const char* text);
    zLog& WriteInt(int value);

    zLog& operator<<(const char* text);
    zLog& operator<<(const zString& text);
    // Integers are appended as decimals; characters as their numeric codes.
    zLog& operator<<(i8 value);
    zLog& operator<<(u8 value);
    zLog& operator<<(i16 value);
    zLog& operator<<(u16 value);
    zLog& operator<<(i32 value);
    zLog& operator<<(u32 value);
    zLog& operator<<(i64 value);
    zLog& operator<<(u64 value);
    zLog& operator<<(long long value);
    zLog& operator<<(unsigned long long value);
    zLog& operator<<(float value);
    zLog& operator<<(double value);
    zLog& operator<<(bool value);
    // Pointers would silently convert to bool and print "True".
    zLog& operator<<(const void* pointer) = delete;

    void SetLevelMask(u8 mask);
    u8 GetLevelMask() const;

    // Empties both line buffers.
    void Clear();

    // The mask bit that governs a line, or 0 when the line is always shown.
    static u8 GetLevelBit(const char* text);

private:
    zLog(const zLog&) = delete;
    zLog& operator=(const zLog&) = delete;

    // Appends a piece; when canEndLine and the piece holds a line feed, the
    // whole line goes to OutputLine and both buffers are emptied.
    void AppendPiece(const char* piece, bool canEndLine);
    zLog& AppendNumber(const char* format, ...);

    mutable zMutex m_mutex;
    char m_bufferA[BufferSize];
    char m_bufferB[BufferSize];
    char* m_current;
    char* m_other;
    u8 m_levelMask;
};

// The log every caller writes through.
zLog& GetLog();
// Replaces the current log; null restores the static log.
void SetLog(zLog* log);

