// SPDX-License-Identifier: MIT
#include "platform/Platform.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace plat
{

void ShellOpen(const char* target)
{
    if (target == nullptr || target[0] == '\0')
        return;
    // Detached through an intermediate shell that exits at once, so no child is left to reap
    // and the caller never waits for the desktop's handler.
    const char* argv[] = {"/bin/sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 &", "sh", target, nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) == 0)
        waitpid(pid, nullptr, 0);
}

} // namespace plat
