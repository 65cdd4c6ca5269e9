#include "shell/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>
#include <optional>

namespace mergola {

namespace {

// The three values fit in a few bytes; reading more of a junk file would
// only waste memory.
constexpr qint64 kMaxSettingsBytes = 64 * 1024;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// A decimal number with an optional sign and fraction. A fraction is turned
// into a whole number the way the program turns every fractional value into
// one: to the nearest, halves to the even neighbour.
std::optional<long long> parseNumber(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > 32)
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    for (char c : text)
        if (!(c >= '0' && c <= '9') && c != '-' && c != '+' && c != '.')
            return std::nullopt; // no exponents, no "inf", no hex
    // Beyond what a long long holds the conversion itself would be
    // undefined; any such number is out of range for every value anyway.
    constexpr double kLimit = 9.0e18;
    if (!ok || !std::isfinite(value) || std::fabs(value) > kLimit)
        return std::nullopt;
    return static_cast<long long>(std::nearbyint(value));
}

class ValueReader {
public:
    explicit ValueReader(QByteArray content) : m_content(std::move(content)) {}

    std::optional<long long> next()
    {
        while (m_pos < m_content.size() && (isBlank(m_content[m_pos]) || isLineEnd(m_content[m_pos])))
            ++m_pos;
        if (m_pos >= m_content.size())
            return std::nullopt;
        const qsizetype start = m_pos;
        while (m_pos < m_content.size() && m_content[m_pos] != ',' && !isLineEnd(m_content[m_pos]))
            ++m_pos;
        const QByteArray token = m_content.mid(start, m_pos - start).trimmed();
        if (m_pos < m_content.size() && m_content[m_pos] == ',')
            ++m_pos;
        return parseNumber(token);
    }

private:
    QByteArray m_content;
    qsizetype m_pos = 0;
};

} // namespace

bool readSettingsFile(const QString &path, Settings &settings)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    ValueReader reader(file.read(kMaxSettingsBytes));
    file.close();

    const struct {
        int *target;
        int maximum;
    } fields[] = {
        {&settings.resultWidth, kMaxWorkingSide},
        {&settings.resultHeight, kMaxWorkingSide},
        {&settings.jpgQuality, kMaxJpgQuality},
    };
    for (const auto &field : fields) {
        const std::optional<long long> value = reader.next();
        if (!value || *value < 0 || *value > field.maximum)
            return false;
        *field.target = static_cast<int>(*value);
    }
    return true;
}

bool writeSettingsFile(const QString &path, const Settings &settings)
{
    // An installed copy's first start finds no folder of its own yet.
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray content = QByteArray::number(settings.resultWidth) + ',' +
                               QByteArray::number(settings.resultHeight) + "\r\n" +
                               QByteArray::number(settings.jpgQuality) + "\r\n";
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void loadSettingsAtStartup(const QString &path, Settings &settings)
{
    if (!readSettingsFile(path, settings))
        writeSettingsFile(path, settings);
}

} // namespace mergola
