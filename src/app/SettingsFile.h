#pragma once
// options.dat: the design template's position in the template list and the
// five check boxes above the preview, as six 32-bit little-endian integers.

#include <cstdint>
#include <string>

namespace vellumine {

struct ViewOptions {
    std::int32_t designIndex = -1;  // -1: no template chosen
    bool showHead = true;           // "Vorschau mit komplettem Design zeigen "
    bool showFrom = true;           // "Von-Feld"
    bool showTo = true;             // "An-Feld"
    bool showSubject = true;        // "Betreff-Feld"
    bool showDate = true;           // "Datum-Feld"
};

// Applies the file to `options`; values the file does not hold (missing
// file, or one shorter than 24 bytes) keep what `options` had. Any non-zero
// value checks a box.
void ReadOptionsFile(const std::string& path, ViewOptions& options);

// Writes `bytes` under a temporary name beside `path` and renames it into
// place, so that a crash never leaves a half-written file; false on failure.
bool ReplaceFileSafely(const std::string& path, const std::string& bytes);

// Writes the 24 bytes under a temporary name and renames it into place, so
// that a crash never leaves a broken file. False when it cannot be written.
bool WriteOptionsFile(const std::string& path, const ViewOptions& options);

}  // namespace vellumine
