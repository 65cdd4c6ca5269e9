// Where the build put the programs and the converter library: the test
// programs are built into the same folder.
#pragma once

#include <QCoreApplication>
#include <QString>

namespace mergola::testing {

inline QString builtProgramDir()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace mergola::testing
