#include "platform/shell.h"

#include <stdio.h>
#include <sys/wait.h>

int OsRunShellCommand(const char* commandLine, void (*onLine)(const char* line, void* context),
                      void* context) {
    if (!commandLine) return -1;
    FILE* pipe = popen(commandLine, "r");
    if (!pipe) return -1;
    char line[256];
    while (fgets(line, sizeof(line), pipe)) {
        if (onLine) onLine(line, context);
    }
    int status = pclose(pipe);
    if (status == -1 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
