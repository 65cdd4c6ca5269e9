// The settings file "Mergola.ini" (beside a portable program, in the user's
// configuration folder for an installed one: platform/program_files.h):
// the working size and the JPG quality, kept from one run to the next. Two lines, CRLF ended:
//   W,H
//   quality
// Read once at start-up (a failed read rewrites the file from the values in
// effect); written again only by the exit button.
#pragma once

#include "platform/defaults.h"

#include <QString>

namespace mergola {

struct Settings {
    int resultWidth = kDefaultResultWidth;
    int resultHeight = kDefaultResultHeight;
    int jpgQuality = kDefaultJpgQuality;
};

// Reads W, H and the quality in that order into settings; each value
// replaces its default as soon as it is read. Values are separated by
// commas or line ends (CRLF, LF or CR alone), blanks around them skipped.
// Returns false when the file is missing or unreadable, ends early, or a
// value is not a number or lies outside what the program can store; the
// values read before that point are kept.
bool readSettingsFile(const QString &path, Settings &settings);

// Writes the two lines, making the file's folder first if need be. Goes
// through a temporary file and a rename, so a crash or a full disk never
// leaves a truncated settings file behind.
bool writeSettingsFile(const QString &path, const Settings &settings);

// Start-up: read, and on failure write the file from the values in effect.
void loadSettingsAtStartup(const QString &path, Settings &settings);

} // namespace mergola
