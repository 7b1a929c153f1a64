// A journal of engine events for tests: each entry is the event's name, the
// owner it was sent to and its extra arguments as text, in call order.
//
// Doubles of the item and scene event dispatchers override each slot with one
// Record call ("OnTrigger", item, trigger), so a test states what a frame
// must send as a list of lines. Arguments format as: bool "true"/"false",
// integers in decimal, floats with %g, text as is, pointers through the names
// registered with Name() (else "?").
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

struct RecordedEvent {
    std::string name;
    const void* owner;
    std::vector<std::string> arguments;
};

class EventRecorder {
  public:
    // Pointers print as this name in Lines().
    void Name(const void* object, const std::string& name) { m_names[object] = name; }

    template <typename... Arguments>
    void Record(const char* event, const void* owner, const Arguments&... arguments) {
        m_events.push_back({event, owner, {Format(arguments)...}});
    }

    const std::vector<RecordedEvent>& Events() const { return m_events; }
    void Clear() { m_events.clear(); }

    int Count(const std::string& event) const {
        int count = 0;
        for (const RecordedEvent& entry : m_events)
            count += entry.name == event;
        return count;
    }

    // One line per event: "OnTrigger(owner, argument, ...)".
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (const RecordedEvent& entry : m_events) {
            std::string line = entry.name + "(" + NameOf(entry.owner);
            for (const std::string& argument : entry.arguments)
                line += ", " + argument;
            lines.push_back(line + ")");
        }
        return lines;
    }

  private:
    std::string NameOf(const void* object) const {
        if (!object) return "null";
        auto found = m_names.find(object);
        return found == m_names.end() ? "?" : found->second;
    }

    template <typename T> std::string Format(const T& value) const {
        if constexpr (std::is_same<T, bool>::value) {
            return value ? "true" : "false";
        } else if constexpr (std::is_integral<T>::value) {
            return std::to_string(value);
        } else if constexpr (std::is_floating_point<T>::value) {
            char text[32];
            std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
            return text;
        } else if constexpr (std::is_convertible<T, std::string>::value) {
            return std::string(value);
        } else if constexpr (std::is_pointer<T>::value) {
            return NameOf(static_cast<const void*>(value));
        } else {
            static_assert(std::is_pointer<T>::value, "no text form for this argument");
            return "";
        }
    }

    std::vector<RecordedEvent> m_events;
    std::map<const void*, std::string> m_names;
};
