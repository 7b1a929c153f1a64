#include "scene/ace.h"
