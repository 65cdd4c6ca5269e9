#include "shell/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace mergola {

namespace {

// Where qt_add_translations puts the compiled translations among the
// program's resources, and the name each starts with.
const QString kTranslationFolder = QStringLiteral(":/i18n");
const QString kTranslationBase = QStringLiteral("mergola");
const QString kSourceLanguage = QStringLiteral("nl");
const QString kFallbackLanguage = QStringLiteral("en");

} // namespace

WindowLanguage::WindowLanguage(const QLocale &desktop)
{
    if (desktop.language() == QLocale::C)
        return;
    // LANGUAGE may list several, as in "fr:nl": the first that the program
    // has, its own texts counting as Dutch, wins.
    for (const QString &name : desktop.uiLanguages()) {
        const QLocale wanted(name);
        if (wanted.language() == QLocale::Dutch) {
            loadQt(wanted);
            return;
        }
        if (loadProgram(wanted))
            return;
    }
    loadProgram(QLocale(kFallbackLanguage));
}

WindowLanguage::~WindowLanguage()
{
    QCoreApplication::removeTranslator(&m_qt);
    QCoreApplication::removeTranslator(&m_program);
}

QString WindowLanguage::name() const
{
    return m_program.isEmpty() ? kSourceLanguage : m_program.language();
}

bool WindowLanguage::loadProgram(const QLocale &language)
{
    if (!m_program.load(language, kTranslationBase, QStringLiteral("_"), kTranslationFolder))
        return false;
    QCoreApplication::installTranslator(&m_program);
    loadQt(QLocale(m_program.language()));
    return true;
}

void WindowLanguage::loadQt(const QLocale &language)
{
    // Without Qt's translations installed, its dialogs stay English.
    if (m_qt.load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_qt);
}

} // namespace mergola
