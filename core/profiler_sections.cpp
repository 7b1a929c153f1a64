#include "core/profiler_sections.h"

#include <map>
#include <string>

namespace {

struct ProfilerSection {
    zPerfCounter counter;
    bool open = false;
};

// Never destroyed, so sections may be used during static destruction.
std::map<std::string, ProfilerSection>& Sections() {
    static auto* sections = new std::map<std::string, ProfilerSection>;
    return *sections;
}

}  // namespace

void BeginProfilerSection(const char* label) {
    if (!label) return;
    auto inserted = Sections().try_emplace(label);
    ProfilerSection& section = inserted.first->second;
    if (inserted.second) section.counter.Reset();
    section.counter.Begin();
    section.open = true;
}

void EndProfilerSection(const char* label) {
    if (!label) return;
    auto found = Sections().find(label);
    if (found == Sections().end() || !found->second.open) return;
    found->second.counter.End();
    found->second.open = false;
}

const zPerfCounter* GetProfilerSection(const char* label) {
    if (!label) return nullptr;
    auto found = Sections().find(label);
    return found == Sections().end() ? nullptr : &found->second.counter;
}

void ResetProfilerSections() { Sections().clear(); }
