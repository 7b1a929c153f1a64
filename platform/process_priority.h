// The scheduling priority of the whole process.
#pragma once

// 0 normal, 1 high, 2 real-time; false when the system refuses (raising the
// priority usually needs privileges) or the level is unknown.
bool OsSetProcessPriority(int level);
