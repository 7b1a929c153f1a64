// Running a shell command and reading its output line by line.
#pragma once

// Runs commandLine through the shell and hands each output line (at most 255
// characters, line feed kept) to onLine. Returns the command's exit status, or
// -1 when the pipe cannot be opened or the command did not exit normally.
int OsRunShellCommand(const char* commandLine, void (*onLine)(const char* line, void* context),
                      void* context);
