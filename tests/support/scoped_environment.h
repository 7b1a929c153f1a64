// An environment variable set for one scope and restored (or removed) after.
#pragma once

#include <stdlib.h>

#include <string>

class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name) {
        const char* previous = getenv(name);
        m_had = previous != nullptr;
        if (m_had) m_previous = previous;
        setenv(name, value, 1);
    }
    ~ScopedEnvironment() {
        if (m_had) setenv(m_name.c_str(), m_previous.c_str(), 1);
        else unsetenv(m_name.c_str());
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    std::string m_name;
    std::string m_previous;
    bool m_had = false;
};
