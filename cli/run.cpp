#include "cli/run.h"

#include "cli/stop.h"

#include "combine/combine.h"
#include "filters/engine.h"
#include "output/bmp_file.h"
#include "output/jpeg_converter.h"
#include "output/png_file.h"
#include "platform/image_file.h"
#include "platform/picture.h"
#include "platform/program_files.h"
#include "tools/border.h"

#include <QRect>

namespace mergola::cli {

namespace {

// The fill colour of slot 1 and of the result, the window's background.
constexpr QRgb kWhite = qRgb(255, 255, 255);

RunResult failed(const QString &message)
{
    return {false, message};
}

QString sizeText(int width, int height)
{
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

// A W x H picture of its fill colour; false when the memory cannot be had.
bool makePlain(Picture &picture, int width, int height)
{
    return picture.resize(width, height);
}

// Decodes path and draws it stretched to exactly W x H into slot, whose
// fill colour is already set. The decoded picture is gone on return.
RunResult loadSlot(const QString &path, Picture &slot, int width, int height)
{
    const DecodeResult decoded = decodePictureFile(path);
    if (decoded.image.isNull())
        return failed(QStringLiteral("%1: %2").arg(path, decoded.error));
    // At the working size the decoded picture is the slot as it is: RGB32
    // keeps the fourth byte at 0xFF, which is all the stretch would add.
    if (decoded.image.width() == width && decoded.image.height() == height) {
        if (!slot.assign(decoded.image))
            return failed(QStringLiteral("%1: not enough memory for the picture").arg(path));
        return {true, {}};
    }
    // The stretch writes every pixel of the slot.
    if (!slot.resizeForOverwrite(width, height))
        return failed(QStringLiteral("%1: not enough memory for a %2 picture").arg(path, sizeText(width, height)));
    slot.drawStretched(decoded.image, QRect(0, 0, width, height));
    return {true, {}};
}

RunResult buildResult(const Options &options, Picture &pict)
{
    if (!options.input.isEmpty()) {
        const DecodeResult decoded = decodePictureFile(options.input);
        if (decoded.image.isNull())
            return failed(QStringLiteral("%1: %2").arg(options.input, decoded.error));
        if (!pict.assign(decoded.image))
            return failed(QStringLiteral("%1: not enough memory for the picture").arg(options.input));
        return {true, {}};
    }

    const int width = options.width;
    const int height = options.height;
    if (options.combine == 0) {
        if (!makePlain(pict, width, height))
            return failed(QStringLiteral("not enough memory for a %1 picture").arg(sizeText(width, height)));
        pict.clear();
        return {true, {}};
    }

    // A slot that no option loads keeps no pixels; the combine takes it as
    // a plain picture of its fill colour.
    Picture foto1(0, 0, kWhite);
    Picture foto2(0, 0, options.background);
    if (!options.slot1.isEmpty()) {
        if (RunResult loaded = loadSlot(options.slot1, foto1, width, height); !loaded.ok)
            return loaded;
    }
    if (!options.slot2.isEmpty()) {
        if (RunResult loaded = loadSlot(options.slot2, foto2, width, height); !loaded.ok)
            return loaded;
    }
    if (!CombineResult(options.combine, foto1, foto2, pict, width, height))
        return failed(QStringLiteral("not enough memory for the combined picture at %1").arg(sizeText(width, height)));
    return {true, {}};
}

RunResult stopped()
{
    return failed(QStringLiteral("stopped"));
}

RunResult applyOperations(const Options &options, Picture &pict, ProgressBar &progress)
{
    Filters filters;
    for (const Operation &operation : options.operations) {
        if (stopRequested())
            return stopped();
        switch (operation.kind) {
        case OperationKind::FlipHorizontal:
            pict.mirrorHorizontal();
            break;
        case OperationKind::FlipVertical:
            pict.mirrorVertical();
            break;
        case OperationKind::Border:
            drawBorder(pict);
            break;
        case OperationKind::Filter: {
            progress.begin(operation.name);
            const FilterOutcome outcome =
                filters.ApplyFilter(operation.filterId, pict, operation.parameter, progress);
            progress.end();
            if (stopRequested())
                return stopped();
            if (outcome == FilterOutcome::OutOfMemory)
                return failed(QStringLiteral("%1: not enough memory to filter a %2 picture")
                                  .arg(operation.name, sizeText(pict.width(), pict.height())));
            // Nothing else runs beside the command line's one filter, so
            // it is never refused or dropped; if it were, the output would
            // silently lack it.
            if (outcome != FilterOutcome::Done)
                return failed(QStringLiteral("%1: the filter did not run").arg(operation.name));
            break;
        }
        }
    }
    return {true, {}};
}

RunResult writeOutput(const Options &options, const Picture &pict, const QString &libraryDir)
{
    FileResult written;
    switch (options.outputFormat) {
    case OutputFormat::Bmp:
        written = writeBmpFile(pict, options.output);
        break;
    case OutputFormat::Png:
        written = writePngFile(pict, options.output);
        break;
    case OutputFormat::Jpeg:
        // The converter takes the pixels from memory: no temporary BMP to
        // write and read back, and the same bytes as the window's save.
        written = writeJpegFromPixels(pict, options.output, options.quality, libraryDir);
        break;
    }
    // A stop that comes while the output is written (a write cannot be
    // interrupted) finds the work done: the output is whole, so it stays.
    // Removing it would lose the new picture and the file it replaced.
    if (!written.ok)
        return failed(written.error);
    return {true, {}};
}

} // namespace

RunResult runWork(const Options &options, ProgressBar &progress, const QString &libraryDir)
{
    Picture pict(0, 0, kWhite);
    if (RunResult built = buildResult(options, pict); !built.ok)
        return built;
    if (RunResult applied = applyOperations(options, pict, progress); !applied.ok)
        return applied;
    if (stopRequested())
        return stopped();
    return writeOutput(options, pict, libraryDir);
}

} // namespace mergola::cli
