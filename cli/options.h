// The command line of mergola-cli, turned into what the run needs: a pure
// function of the arguments, with no files touched, so that every usage
// error is found before any work starts.
//
// Options come in any order, as "--name value" or "--name=value". A value
// given as a separate argument may not start with "--", so that a missing
// value is reported rather than the next option taken as a file name.
// Every option but --apply may be given once.
//
// Choices made for the batch user:
// - --input builds the result from one file, so --slot1, --slot2,
//   --combine, --size and --background (which only shape a combine) are
//   refused beside it rather than silently ignored.
// - --slot1/--slot2 without --combine are refused: the slots feed only a
//   combine, so the loaded picture would never reach the output.
// - With neither --input nor --combine the result is the blank white
//   picture at the working size, as in the window before the first combine.
// - --output is required: a run that writes nothing is almost always a
//   mistake in a script.
#pragma once

#include "platform/defaults.h"

#include <QRgb>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace mergola::cli {

// Exit statuses of mergola-cli.
constexpr int kExitSuccess = 0;
constexpr int kExitWorkFailed = 1;
constexpr int kExitUsage = 2;

enum class OperationKind { Filter, FlipHorizontal, FlipVertical, Border };

struct Operation {
    QString name;  // the OP name as given
    OperationKind kind = OperationKind::Filter;
    std::int32_t filterId = 0;
    std::int32_t parameter = 0;
};

enum class OutputFormat { Bmp, Jpeg, Png };

struct Options {
    int width = kDefaultResultWidth;
    int height = kDefaultResultHeight;
    QString input;
    QString slot1;
    QString slot2;
    QRgb background = kDefaultBackground;
    std::int16_t combine = 0;  // the `comb` index 1..3; 0: no combine
    std::vector<Operation> operations;
    int quality = kDefaultJpgQuality;
    QString output;
    OutputFormat outputFormat = OutputFormat::Bmp;
};

enum class Request { Run, Help, Version, UsageError };

struct ParseResult {
    Request request = Request::Run;
    Options options;   // meaningful for Request::Run
    QString error;     // one line, for Request::UsageError
};

// arguments: the command line without the program name.
ParseResult parseOptions(const QStringList &arguments);

// The --help text, listing every OP name.
QString usageText();

// Every OP name that --apply knows, in menu order.
QStringList operationNames();

} // namespace mergola::cli
