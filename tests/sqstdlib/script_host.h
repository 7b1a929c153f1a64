// A small host for the standard-library tests: a VM with the base library and every standard
// library registered into the root table, the standard error handlers, and print and error
// print functions that capture their text.
#pragma once

#include <string>

#include "squirrel/squirrel.h"

class ScriptHost {
  public:
    ScriptHost();
    ~ScriptHost();
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    HSQUIRRELVM vm() const { return m_vm; }

    // Compiles and runs the text with the root table as `this`; false on a compile or runtime error.
    bool RunString(const std::string& code, const std::string& sourceName = "test");
    // Runs a file through sqstd_dofile.
    bool RunFile(const std::string& path);

    // Text written by print() and by the error print function (error handlers).
    std::string printed;
    std::string errors;

  private:
    HSQUIRRELVM m_vm;
};
