// The command line's option parser on any arguments (the bytes split at
// each NUL): it answers with a request, and a run it accepts is one the
// work can carry out.
#include "cli/options.h"
#include "fuzz_support.h"

#include <QStringList>

using namespace mergola;
using namespace mergola::cli;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::ensureApplication();
    QStringList arguments;
    for (const QByteArray &argument : QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0'))
        arguments << QString::fromLocal8Bit(argument);
    const ParseResult parsed = parseOptions(arguments);
    if (parsed.request == Request::UsageError) {
        // It may quote the argument, line breaks and all; the program folds
        // the message onto one line when it prints it.
        FUZZ_CHECK(!parsed.error.isEmpty());
        return 0;
    }
    if (parsed.request != Request::Run)
        return 0;
    const Options &options = parsed.options;
    FUZZ_CHECK(options.width >= 0 && options.width <= kMaxWorkingSide);
    FUZZ_CHECK(options.height >= 0 && options.height <= kMaxWorkingSide);
    FUZZ_CHECK(options.quality >= 0 && options.quality <= kMaxJpgQuality);
    FUZZ_CHECK(options.combine >= 0 && options.combine <= 3);
    return 0;
}
