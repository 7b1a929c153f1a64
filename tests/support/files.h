// Whole files, folder listings and small picture files for the tests, the fuzz seed writer and the benchmarks.
#pragma once

#include <string>
#include <vector>

// The bytes of the file at path; empty, with found false, when it cannot be opened.
std::string ReadWholeFile(const std::string& path, bool* found = nullptr);

// Every file under root whose name ends in suffix, searched recursively, as paths relative to
// root with '/' between folders and without the suffix, sorted. Empty when root cannot be read.
std::vector<std::string> FilesUnder(const std::string& root, const std::string& suffix);

// An uncompressed 32-bit TGA with its first row on top; pixels holds width x height BGRA quadruples.
std::string UncompressedTga(int width, int height, const std::string& pixels);
// The same of one colour.
std::string SolidTga(int width, int height, unsigned char red, unsigned char green, unsigned char blue,
                     unsigned char alpha = 0xff);
// A 2 x 2 uncompressed 32-bit TGA of grey pixels (a raster font's page, a small texture).
std::string SmallTgaFile();
