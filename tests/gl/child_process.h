// Runs a test body in a child process: the GL driver reads its overrides
// once per process, and a display server's clients are best kept apart.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

// The body's result is the child's exit code; 100 when it did not exit.
template <typename Body> int InChild(Body body) {
    const pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}
