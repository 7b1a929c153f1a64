// The separate index of a resource archive as a ZML document: root tag Index,
// one Entry child per entry holding ID (string), CompLen, Len, Offset (ints,
// the u32 values stored as their 32-bit pattern) and Method ("Raw" or "Zlib"),
// written in that order.
#pragma once

#include "io/archive.h"

class zZmlArchiveIndex : public zArchiveIndexFormat {
  public:
    // Entries lacking a field log "[!] Incomplete index entry.\n", entries with
    // another method are refused with a log line, other children of Index log
    // "[*] Unexpected tag <<name>> in <Index>.\n"; all are skipped.
    bool Load(const char* path, zList<zArchiveEntry>& out) override;
    bool Save(const char* path, const zList<zArchiveEntry>& entries) override;
};

// Makes archives read and write their index as ZML (start-up calls it once).
void InstallZmlArchiveIndex();
