// Test fixtures for the render library: the recording host and renderer are
// shared with the other test programs (tests/support/recording_renderer.h).
#pragma once

#include "tests/support/recording_renderer.h"
