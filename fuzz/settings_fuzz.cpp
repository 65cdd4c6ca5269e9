// The settings file reader on any bytes: it never reads past its limit,
// and whatever it keeps lies within what the program can store.
#include "fuzz_support.h"
#include "shell/settings.h"

using namespace mergola;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::ensureApplication();
    const QString path = fuzz::writeInput(data, size, QStringLiteral("Mergola.ini"));
    Settings settings;
    readSettingsFile(path, settings);
    FUZZ_CHECK(settings.resultWidth >= 0 && settings.resultWidth <= kMaxWorkingSide);
    FUZZ_CHECK(settings.resultHeight >= 0 && settings.resultHeight <= kMaxWorkingSide);
    FUZZ_CHECK(settings.jpgQuality >= 0 && settings.jpgQuality <= kMaxJpgQuality);
    return 0;
}
