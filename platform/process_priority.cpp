#include "platform/process_priority.h"

#include <sched.h>
#include <sys/resource.h>

namespace {

constexpr int NormalNice = 0;
constexpr int HighNice = -10;

bool SetNormalPolicy() {
    sched_param param{};
    param.sched_priority = 0;
    return sched_setscheduler(0, SCHED_OTHER, &param) == 0;
}

} // namespace

bool OsSetProcessPriority(int level) {
    switch (level) {
    case 0:
        return SetNormalPolicy() && setpriority(PRIO_PROCESS, 0, NormalNice) == 0;
    case 1:
        return SetNormalPolicy() && setpriority(PRIO_PROCESS, 0, HighNice) == 0;
    case 2: {
        sched_param param{};
        param.sched_priority = sched_get_priority_min(SCHED_RR);
        return sched_setscheduler(0, SCHED_RR, &param) == 0;
    }
    default:
        return false;
    }
}
