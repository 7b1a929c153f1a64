// A log that records every line that passes its level mask, for tests that
// check exact log lines. It installs itself as the current log and restores
// the previous one when destroyed.
#pragma once

#include <string>

#include "core/log.h"

struct LogCapture : zLog {
    LogCapture() : m_previous(&GetLog()) { SetLog(this); }
    ~LogCapture() override { SetLog(m_previous); }

    void OutputLine(const char* text) override {
        if (!text) return;
        u8 bit = GetLevelBit(text);
        if (bit != 0 && (GetLevelMask() & bit) == 0) return;
        m_text += text;
    }

    std::string Text() const { return m_text; }
    void Reset() { m_text.clear(); }

private:
    zLog* m_previous;
    std::string m_text;
};
