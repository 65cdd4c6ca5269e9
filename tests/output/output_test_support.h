// Shared helpers of the output tests: where the converters were built, and
// what a folder holds.
#pragma once

#include "platform/picture.h"
#include "support/fake_services.h"
#include "support/test_files.h"
#include "support/test_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <gtest/gtest.h>

namespace mergola::testing {

// Where the build put the real converter, a library without its entry point
// and a converter that leaves an empty file.
inline QString converterDir() { return QStringLiteral(MERGOLA_TEST_CONVERTER_DIR); }
inline QString noEntryPointConverterDir() { return QStringLiteral(MERGOLA_TEST_NO_ENTRY_DIR); }
inline QString emptyOutputConverterDir() { return QStringLiteral(MERGOLA_TEST_EMPTY_OUTPUT_DIR); }

inline QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace mergola::testing
