#include <gtest/gtest.h>

#include "scene/ace.h"
