// ZML text to a first root tag and one tag back to text, for the targets that
// read a single tag and check that what they write reads back the same.
#pragma once

#include <cstddef>
#include <string>

#include "markup/metafile.h"

// The first root of the document parsed from the bytes, or null.
const zMetaTag* FirstRoot(zMetafile& doc, const char* data, size_t size);

// The written text of a tag the caller gives up (it is deleted here); fails
// the run, naming what, when there is no tag or it cannot be serialised.
std::string TagText(zMetaTag* tag, const char* what);
