// The reading half shared by the archive targets.
#pragma once

class zIOArchiveFS;

// Reads every entry of the connected archive through handles on its file
// system (whole, then by seeks from each origin) and checks that a new archive
// written from the entries that read whole scans back to the same names and
// bytes. Disconnects the archive.
void ExerciseArchive(zIOArchiveFS& fs);
