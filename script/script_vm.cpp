#include "script/script_vm.h"

#include "core/log.h"

zScriptVM::zScriptVM(zEngine* engine) : m_engine(engine) {}

zScriptVM::~zScriptVM() = default;

void zScriptVM::Kill(u32 code, const char* reason, bool /*withStackInfo*/) {
    if (m_killed) return;
    m_killed = 1;
    m_killCode = code;
    m_killReason = reason ? reason : "";
    GetLog() << "[!] Killing VM with reason '" << m_killReason << "'.\n";
}
