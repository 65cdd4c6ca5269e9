#include "cli/options.h"

#include "combine/combine.h"
#include "filters/filter_menu.h"

#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <optional>

namespace mergola::cli {

namespace {

enum class OptionId { Size, Input, Slot1, Slot2, Background, Combine, Apply, Quality, Output, Help, Version };

struct OptionInfo {
    OptionId id;
    const char *name;
    bool takesValue;
};

constexpr std::array<OptionInfo, 11> kOptionInfos{{
    {OptionId::Size, "--size", true},
    {OptionId::Input, "--input", true},
    {OptionId::Slot1, "--slot1", true},
    {OptionId::Slot2, "--slot2", true},
    {OptionId::Background, "--background", true},
    {OptionId::Combine, "--combine", true},
    {OptionId::Apply, "--apply", true},
    {OptionId::Quality, "--quality", true},
    {OptionId::Output, "--output", true},
    {OptionId::Help, "--help", false},
    {OptionId::Version, "--version", false},
}};

constexpr char kOptionPrefix[] = "--";
constexpr char kBorderOperation[] = "border";
constexpr int kMaxChannel = 255;

const OptionInfo *findOption(const QString &name)
{
    for (const OptionInfo &option : kOptionInfos) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

QString fromView(std::string_view text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

std::optional<Operation> operationFromEntry(const FilterMenuEntry &entry)
{
    switch (entry.action) {
    case MenuAction::Filter:
        return Operation{fromView(entry.cliName), OperationKind::Filter, entry.filterId, entry.parameter};
    case MenuAction::FlipHorizontal:
        return Operation{fromView(entry.cliName), OperationKind::FlipHorizontal, 0, 0};
    case MenuAction::FlipVertical:
        return Operation{fromView(entry.cliName), OperationKind::FlipVertical, 0, 0};
    case MenuAction::Submenu:
        break;
    }
    return std::nullopt;
}

// Every operation in menu order: the filter menu with the swap-colours
// submenu in the place of its entry, then the border.
std::vector<Operation> allOperations()
{
    std::vector<Operation> operations;
    for (const FilterMenuEntry &entry : kFilMenu) {
        if (entry.action == MenuAction::Submenu) {
            for (const FilterMenuEntry &sub : kFilsMenu) {
                if (auto operation = operationFromEntry(sub))
                    operations.push_back(*operation);
            }
        } else if (auto operation = operationFromEntry(entry)) {
            operations.push_back(*operation);
        }
    }
    operations.push_back(Operation{QString::fromLatin1(kBorderOperation), OperationKind::Border, 0, 0});
    return operations;
}

// A whole number of decimal digits no larger than limit.
std::optional<int> boundedNumber(const QString &text, int limit)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value > limit)
        return std::nullopt;
    return value;
}

class Parser {
public:
    ParseResult parse(const QStringList &arguments);

private:
    bool fail(const QString &message)
    {
        m_error = message;
        return false;
    }
    bool take(const OptionInfo &option, const QString &value);
    bool takeSize(const QString &value);
    bool takeBackground(const QString &value);
    bool takeCombine(const QString &value);
    bool takeApply(const QString &value);
    bool takeQuality(const QString &value);
    bool takeOutput(const QString &value);
    bool checkTogether();

    Options m_options;
    QString m_error;
    std::vector<OptionId> m_seen;
};

bool Parser::take(const OptionInfo &option, const QString &value)
{
    if (option.id != OptionId::Apply) {
        for (OptionId seen : m_seen) {
            if (seen == option.id)
                return fail(QStringLiteral("%1 given more than once").arg(QLatin1String(option.name)));
        }
    }
    m_seen.push_back(option.id);
    switch (option.id) {
    case OptionId::Size: return takeSize(value);
    case OptionId::Input: m_options.input = value; return true;
    case OptionId::Slot1: m_options.slot1 = value; return true;
    case OptionId::Slot2: m_options.slot2 = value; return true;
    case OptionId::Background: return takeBackground(value);
    case OptionId::Combine: return takeCombine(value);
    case OptionId::Apply: return takeApply(value);
    case OptionId::Quality: return takeQuality(value);
    case OptionId::Output: return takeOutput(value);
    case OptionId::Help:
    case OptionId::Version: return true;
    }
    return true;
}

bool Parser::takeSize(const QString &value)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]+)[xX]([0-9]+)$"));
    const QRegularExpressionMatch match = form.match(value);
    const auto width = match.hasMatch() ? boundedNumber(match.captured(1), kMaxWorkingSide) : std::nullopt;
    const auto height = match.hasMatch() ? boundedNumber(match.captured(2), kMaxWorkingSide) : std::nullopt;
    if (!width || !height)
        return fail(QStringLiteral("malformed --size '%1': expected WxH, each a whole number from 0 to %2")
                        .arg(value)
                        .arg(kMaxWorkingSide));
    m_options.width = *width;
    m_options.height = *height;
    return true;
}

bool Parser::takeBackground(const QString &value)
{
    const QStringList parts = value.split(QLatin1Char(','));
    std::array<int, 3> channels{};
    bool ok = parts.size() == int(channels.size());
    for (std::size_t i = 0; ok && i < channels.size(); ++i) {
        const auto channel = boundedNumber(parts[qsizetype(i)], kMaxChannel);
        ok = channel.has_value();
        channels[i] = channel.value_or(0);
    }
    if (!ok)
        return fail(QStringLiteral("malformed --background '%1': expected R,G,B, each a whole number from 0 to %2")
                        .arg(value)
                        .arg(kMaxChannel));
    m_options.background = qRgb(channels[0], channels[1], channels[2]);
    return true;
}

bool Parser::takeCombine(const QString &value)
{
    for (const CombineMode &mode : kCombineModes) {
        if (value == QString::number(mode.index) || value == fromView(mode.cliName)) {
            m_options.combine = mode.index;
            return true;
        }
    }
    QStringList names;
    for (const CombineMode &mode : kCombineModes)
        names << fromView(mode.cliName);
    return fail(QStringLiteral("unknown --combine mode '%1': expected 1, 2, 3, %2")
                    .arg(value, names.join(QStringLiteral(", "))));
}

bool Parser::takeApply(const QString &value)
{
    for (const Operation &operation : allOperations()) {
        if (operation.name != value)
            continue;
        m_options.operations.push_back(operation);
        return true;
    }
    return fail(QStringLiteral("unknown --apply operation '%1' (see --help for the list)").arg(value));
}

bool Parser::takeQuality(const QString &value)
{
    const auto quality = boundedNumber(value, kMaxJpgQuality);
    if (!quality)
        return fail(QStringLiteral("malformed --quality '%1': expected a whole number from 0 to %2")
                        .arg(value)
                        .arg(kMaxJpgQuality));
    m_options.quality = *quality;
    return true;
}

bool Parser::takeOutput(const QString &value)
{
    const QString lower = value.toLower();
    if (lower.endsWith(QLatin1String(".bmp")))
        m_options.outputFormat = OutputFormat::Bmp;
    else if (lower.endsWith(QLatin1String(".jpg")) || lower.endsWith(QLatin1String(".jpeg")))
        m_options.outputFormat = OutputFormat::Jpeg;
    else if (lower.endsWith(QLatin1String(".png")))
        m_options.outputFormat = OutputFormat::Png;
    else
        return fail(QStringLiteral("--output '%1' must end in .bmp, .jpg, .jpeg or .png").arg(value));
    m_options.output = value;
    return true;
}

bool Parser::checkTogether()
{
    const Options &o = m_options;
    if (!o.input.isEmpty()) {
        const std::array<std::pair<OptionId, const char *>, 5> shaping{{{OptionId::Slot1, "--slot1"},
                                                                        {OptionId::Slot2, "--slot2"},
                                                                        {OptionId::Combine, "--combine"},
                                                                        {OptionId::Size, "--size"},
                                                                        {OptionId::Background, "--background"}}};
        for (const auto &[id, name] : shaping) {
            if (std::find(m_seen.begin(), m_seen.end(), id) != m_seen.end())
                return fail(QStringLiteral("--input cannot be used with %1: the input file is the whole result")
                                .arg(QLatin1String(name)));
        }
    }
    if (o.combine == 0 && (!o.slot1.isEmpty() || !o.slot2.isEmpty()))
        return fail(QStringLiteral("%1 needs --combine: the slots are used only by a combine")
                        .arg(QLatin1String(o.slot1.isEmpty() ? "--slot2" : "--slot1")));
    if (o.output.isEmpty())
        return fail(QStringLiteral("no --output FILE given"));
    return true;
}

ParseResult Parser::parse(const QStringList &arguments)
{
    // --help and --version answer whatever else stands on the line.
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--help"))
            return {Request::Help, {}, {}};
        if (argument == QLatin1String("--version"))
            return {Request::Version, {}, {}};
    }
    if (arguments.isEmpty())
        return {Request::UsageError, {}, QStringLiteral("no options given (see --help)")};

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (!argument.startsWith(QLatin1String(kOptionPrefix)))
            return {Request::UsageError, {}, QStringLiteral("unexpected argument '%1' (see --help)").arg(argument)};
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? argument : argument.left(equals);
        const OptionInfo *option = findOption(name);
        if (!option)
            return {Request::UsageError, {}, QStringLiteral("unknown option '%1' (see --help)").arg(name)};
        if (!option->takesValue) {
            if (equals >= 0)
                return {Request::UsageError, {}, QStringLiteral("%1 takes no value").arg(name)};
            continue;
        }
        QString value;
        if (equals >= 0) {
            value = argument.mid(equals + 1);
        } else if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1String(kOptionPrefix))) {
            value = arguments[++i];
        } else {
            return {Request::UsageError, {}, QStringLiteral("%1 needs a value").arg(name)};
        }
        if (value.isEmpty())
            return {Request::UsageError, {}, QStringLiteral("%1 needs a value").arg(name)};
        if (!take(*option, value))
            return {Request::UsageError, {}, m_error};
    }
    if (!checkTogether())
        return {Request::UsageError, {}, m_error};
    return {Request::Run, m_options, {}};
}

} // namespace

ParseResult parseOptions(const QStringList &arguments)
{
    return Parser().parse(arguments);
}

QStringList operationNames()
{
    QStringList names;
    for (const Operation &operation : allOperations())
        names << operation.name;
    return names;
}

QString usageText()
{
    // The OP list runs in the description column, inside 80 columns.
    constexpr qsizetype kDescriptionColumn = 24;
    constexpr qsizetype kLineWidth = 80;
    constexpr qsizetype kListWidth = kLineWidth - kDescriptionColumn;
    QStringList wrapped;
    QString line;
    for (const QString &name : operationNames()) {
        if (!line.isEmpty() && line.size() + 1 + name.size() > kListWidth) {
            wrapped << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + name;
    }
    if (!line.isEmpty())
        wrapped << line;
    const QString indent = QLatin1Char('\n') + QString(kDescriptionColumn, QLatin1Char(' '));

    return QStringLiteral(
               "Usage: mergola-cli [options]\n"
               "Combines two pictures into one, works on the result and writes it.\n"
               "The work runs in this order: load, combine, each --apply in turn, output.\n"
               "\n"
               "  --size WxH            working size, 0 to %1 a side (default %2x%3)\n"
               "  --input FILE          use FILE at its own size as the result picture\n"
               "                        (JPG, BMP, GIF, PNG, HEIC, AVIF, and WebP or TIFF with\n"
               "                        Qt's plugins)\n"
               "  --slot1 FILE          load FILE into slot 1 (stretched to the working size)\n"
               "  --slot2 FILE          load FILE into slot 2\n"
               "  --background R,G,B    background colour of slot 2 (default %4,%5,%6)\n"
               "  --combine MODE        1|2|3 or door-elkaar|painting|onder-elkaar\n"
               "  --apply OP            repeatable; applied to the result in the order given.\n"
               "                        OP is one of%7\n"
               "                        (each runs with the filter id and parameter that the\n"
               "                        filter menu uses)\n"
               "  --quality Q           JPG quality 0..%8 (default %9)\n"
               "  --output FILE         write the result: .bmp as BMP, .jpg or .jpeg as JPG,\n"
               "                        .png as PNG\n"
               "  --help, --version\n"
               "\n"
               "A slot that no option loads takes part in a combine as a plain picture of its\n"
               "colour: white for slot 1, the background colour for slot 2. Without --combine\n"
               "and --input the result is a blank white picture at the working size.\n"
               "--input cannot be mixed with the options that shape a combine, and --output\n"
               "is required.\n"
               "\n"
               "Exit status: 0 on success, 1 when the work fails (a file that cannot be read\n"
               "or written), 2 for a usage error.\n")
        .arg(kMaxWorkingSide)
        .arg(kDefaultResultWidth)
        .arg(kDefaultResultHeight)
        .arg(qRed(kDefaultBackground))
        .arg(qGreen(kDefaultBackground))
        .arg(qBlue(kDefaultBackground))
        .arg(indent + wrapped.join(indent))
        .arg(kMaxJpgQuality)
        .arg(kDefaultJpgQuality);
}

} // namespace mergola::cli
