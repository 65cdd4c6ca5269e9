// The work of mergola-cli once its options are known: load, combine, each
// --apply in the order given, then write the output. Nothing is written
// until every earlier step has worked, and the writers put the output file
// in place only when it is complete, so a failure never leaves a partial
// file behind.
#pragma once

#include "cli/options.h"
#include "cli/progress_bar.h"

#include <QString>

namespace mergola::cli {

struct RunResult {
    bool ok = false;
    QString error;  // one line naming the file and the reason, when !ok
};

// libraryDir is the folder that holds the JPG converter library.
RunResult runWork(const Options &options, ProgressBar &progress, const QString &libraryDir);

} // namespace mergola::cli
